#include "host/MessageStream.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include <unistd.h>

namespace qorvhost
{
namespace
{
// Standard output written straight onto its descriptor, so that a failed write keeps its own cause
// (stdio's errno is gone by the time the stream is looked at). Lines go out at once on a terminal.
class StandardOutputBuffer : public std::streambuf
{
public:
  StandardOutputBuffer() : mTerminal(isatty(STDOUT_FILENO) == 1) {}
  int Error() const { return mError; }

protected:
  int overflow(int c) override
  {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    mPending += char(c);
    if ((mTerminal && c == '\n') || mPending.size() >= kBufferBytes) Write();
    return c;
  }
  int sync() override
  {
    Write();
    return mError ? -1 : 0;
  }

private:
  static constexpr size_t kBufferBytes = 65536;
  void Write()
  {
    for (size_t done = 0; done < mPending.size() && !mError;)
    {
      const ssize_t n = write(STDOUT_FILENO, mPending.data() + done, mPending.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        mError = n < 0 ? errno : EIO;
      else
        done += size_t(n);
    }
    mPending.clear();
  }

  bool mTerminal;
  std::string mPending;
  int mError = 0; // the first failed write's cause
};

StandardOutputBuffer* sStandardOutput = nullptr;
} // namespace

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
  FlushStandardOutput();
  mTarget.flush();
}

int MessageStream::Buffer::overflow(int c)
{
  if (c == traits_type::eof()) return traits_type::not_eof(c);
  if (mLine.empty() && !mProgress && c == '\r')
  {
    mProgress = true;
    FlushStandardOutput();
  }
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
  FlushStandardOutput();
  mTarget.flush();
  return 0;
}

void MessageStream::Buffer::EndLine()
{
  while (!mLine.empty() && (mLine.back() == '.' || mLine.back() == ' '))
    mLine.pop_back();
  FlushStandardOutput();
  mTarget << mProgram << ": " << mLine << "\n";
  mLine.clear();
}

void UseStandardOutput()
{
  // Never destroyed: std::cout flushes it at the very end of the process.
  static StandardOutputBuffer* const buffer = new StandardOutputBuffer;
  sStandardOutput = buffer;
  std::cout.rdbuf(buffer);
}

void FlushStandardOutput()
{
  std::cout.flush();
}

int StandardOutputError()
{
  FlushStandardOutput();
  if (sStandardOutput && sStandardOutput->Error()) return sStandardOutput->Error();
  return std::cout ? 0 : EIO;
}

std::string SystemReason(int errnum)
{
  return LibraryReason(std::strerror(errnum));
}

std::string CannotWrite(const std::string& path)
{
  return path + ": cannot write (" + SystemReason(errno) + ")";
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
