#include <Foundation/NSNotification.h>

#include <algorithm>

NSNotificationCenter* NSNotificationCenter::defaultCenter()
{
  static NSNotificationCenter center;
  return &center;
}

void NSNotificationCenter::addObserver(NSObject* observer, std::function<void(NSNotification*)> block,
                                       const std::string& name, NSObject* object)
{
  m_entries.push_back(Entry{observer, std::move(block), name, object});
}

void NSNotificationCenter::removeObserver(NSObject* observer)
{
  for (Entry& e : m_entries)
    if (e.observer == observer) e.removed = true;
  if (m_posting == 0)
    m_entries.erase(
        std::remove_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.removed; }),
        m_entries.end());
}

void NSNotificationCenter::postNotificationName(const std::string& name, NSObject* object)
{
  NSNotification note(object, name);
  ++m_posting;
  // By index: an observer may add observers while it is told.
  for (size_t i = 0; i < m_entries.size(); ++i)
  {
    if (m_entries[i].removed || m_entries[i].name != name) continue;
    if (m_entries[i].object && m_entries[i].object != object) continue;
    auto block = m_entries[i].block;
    block(&note);
  }
  if (--m_posting == 0)
    m_entries.erase(
        std::remove_if(m_entries.begin(), m_entries.end(), [](const Entry& e) { return e.removed; }),
        m_entries.end());
}
