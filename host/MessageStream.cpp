#include "host/MessageStream.h"

#include <cctype>
#include <cstring>

namespace qorvhost
{
MessageStream::MessageStream(std::ostream& target, std::string program)
    : std::ostream(&mBuffer), mBuffer(target, std::move(program))
{
}

MessageStream::~MessageStream()
{
  mBuffer.Finish();
}

void MessageStream::Buffer::Finish()
{
  if (!mLine.empty()) EndLine();
  mTarget.flush();
}

int MessageStream::Buffer::overflow(int c)
{
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  if (mLine.empty() && !mProgress && c == '\r') mProgress = true;
  if (mProgress)
  {
    mTarget.put(char(c));
    if (c == '\n') mProgress = false;
    return c;
  }
  if (c == '\n')
    EndLine();
  else
    mLine += char(c);
  return c;
}

int MessageStream::Buffer::sync()
{
  mTarget.flush();
  return 0;
}

void MessageStream::Buffer::EndLine()
{
  while (!mLine.empty() && (mLine.back() == '.' || mLine.back() == ' '))
    mLine.pop_back();
  mTarget << mProgram << ": " << mLine << "\n";
  mLine.clear();
}

std::string SystemReason(int errnum)
{
  return LibraryReason(std::strerror(errnum));
}

std::string LibraryReason(std::string text)
{
  for (const char* lead : {"System error : ", "System error: "})
    if (text.rfind(lead, 0) == 0) text.erase(0, std::strlen(lead));
  while (!text.empty() && (text.back() == '.' || text.back() == '\n' || text.back() == ' '))
    text.pop_back();
  // "No such file" reads as part of a sentence; an initialism ("WAV") keeps its capitals.
  if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
      !std::isupper(static_cast<unsigned char>(text[1])))
    text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}
} // namespace qorvhost
