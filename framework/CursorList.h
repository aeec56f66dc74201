// A doubly linked list of element pointers that remembers where the last lookup ended, so lookups that
// move in order are cheap. It releases its elements when destroyed, as its dispose mode says.
#pragma once

#include <cstdint>
#include <new>

namespace iplugin
{
template <class T> class CursorList
{
public:
  using DisposeFunc = void (*)(T*);

  enum EDisposeMode
  {
    kDisposeNothing = 0,
    kDisposeDelete = 1,  // delete each element
    kDisposeFunction = 2 // call the dispose function with each element
  };

  // Destroys a non-null element through its own (virtual) destructor.
  static void DefaultDispose(T* element) { delete element; }

  CursorList() = default;
  CursorList(const CursorList&) = delete;
  CursorList& operator=(const CursorList&) = delete;

  // Releases every element per the dispose mode, in list order, then the nodes. A dispose function that
  // throws ends the program.
  ~CursorList() noexcept
  {
    for (Node* n = m_head; n; n = n->next)
    {
      if (m_disposeMode == kDisposeDelete)
        delete n->element;
      else if (m_disposeMode == kDisposeFunction && m_disposeFunc)
        m_disposeFunc(n->element);
    }
    while (m_head)
    {
      Node* next = m_head->next;
      delete m_head;
      m_head = next;
    }
  }

  void SetDisposeMode(int mode, DisposeFunc func = DefaultDispose)
  {
    m_disposeMode = mode;
    m_disposeFunc = func;
  }

  // Appends element at the tail; the new node becomes the cursor and the last added. Returns the new
  // count (the old one when no node could be made).
  int Add(T* element)
  {
    Node* node = new (std::nothrow) Node{0, element, nullptr, m_tail};
    if (!node) return m_count;
    if (m_tail)
      m_tail->next = node;
    else
      m_head = node;
    m_tail = node;
    m_lastAdded = node;
    m_cursor = node;
    m_lastAddedIndex = m_count;
    m_cursorIndex = m_count;
    return ++m_count;
  }

  // The element at index, walking from the cursor and leaving the cursor where the walk ends. A walk that
  // runs off either end stops at the last node reached and gives its element; null with no cursor.
  T* Get(int index)
  {
    if (!m_cursor) return nullptr;
    while (m_cursorIndex < index && m_cursor->next)
    {
      m_cursor = m_cursor->next;
      ++m_cursorIndex;
    }
    while (m_cursorIndex > index && m_cursor->prev)
    {
      m_cursor = m_cursor->prev;
      --m_cursorIndex;
    }
    return m_cursor->element;
  }

  int Count() const { return m_count; }
  int CursorIndex() const { return m_cursorIndex; }
  int LastAddedIndex() const { return m_lastAddedIndex; }
  T* LastAdded() const { return m_lastAdded ? m_lastAdded->element : nullptr; }

private:
  struct Node
  {
    intptr_t reserved;
    T* element;
    Node* next;
    Node* prev;
  };

  Node* m_head = nullptr;
  Node* m_tail = nullptr;
  Node* m_lastAdded = nullptr;
  Node* m_cursor = nullptr;
  int m_cursorIndex = -1;
  int m_lastAddedIndex = -1;
  int m_count = 0;
  int m_disposeMode = kDisposeFunction;
  DisposeFunc m_disposeFunc = DefaultDispose;
};
} // namespace iplugin
