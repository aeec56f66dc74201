// The host's messages in one voice: each line written to a MessageStream reaches the target as
// "qorv-host: LINE", without a closing full stop. A line that starts with a carriage return is a progress
// display and passes as it is.
#pragma once

#include <ostream>
#include <streambuf>
#include <string>

namespace qorvhost
{
class MessageStream : public std::ostream
{
public:
  MessageStream(std::ostream& target, std::string program);
  ~MessageStream() override; // a last line without its line end is still written

private:
  class Buffer : public std::streambuf
  {
  public:
    Buffer(std::ostream& target, std::string program) : mTarget(target), mProgram(std::move(program)) {}
    void Finish();

  protected:
    int overflow(int c) override;
    int sync() override;

  private:
    void EndLine();

    std::ostream& mTarget;
    std::string mProgram;
    std::string mLine;
    bool mProgress = false; // within a progress line
  };
  Buffer mBuffer;
};

// Makes std::cout write onto standard output's descriptor through a buffer of the host's own, which
// keeps the cause of a failed write; once, first thing in main.
void UseStandardOutput();
// Flushed before a message goes to standard error, so that what is written in order comes out in order.
void FlushStandardOutput();
// The cause (an errno value) of the first failed write to standard output, after flushing it; 0 when
// everything was written.
int StandardOutputError();

// A system error number as the part of a message after the file: "no such file or directory".
std::string SystemReason(int errnum);
// "PATH: cannot write (REASON)", the reason being errno's.
std::string CannotWrite(const std::string& path);
// A library's message as a part of ours: without its "System error : " lead and its closing full stop,
// starting in lower case.
std::string LibraryReason(std::string text);
} // namespace qorvhost
