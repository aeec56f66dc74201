#include "framework/Base64.h"

#include <vector>

namespace iplugin
{
namespace
{
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int DecodeChar(char c)
{
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
} // namespace

void Base64Encode(const uint8_t* data, int size, StringBuf& out)
{
  std::vector<char> text;
  text.reserve(size_t(size + 2) / 3 * 4 + 1);
  for (int i = 0; i < size; i += 3)
  {
    const int n = size - i < 3 ? size - i : 3;
    uint32_t v = uint32_t(data[i]) << 16;
    if (n > 1) v |= uint32_t(data[i + 1]) << 8;
    if (n > 2) v |= data[i + 2];
    text.push_back(kAlphabet[(v >> 18) & 63]);
    text.push_back(kAlphabet[(v >> 12) & 63]);
    text.push_back(n > 1 ? kAlphabet[(v >> 6) & 63] : '=');
    text.push_back(n > 2 ? kAlphabet[v & 63] : '=');
  }
  text.push_back(0);
  out.Append(text.data());
}

bool Base64Decode(const char* text, int textLen, ByteChunk& out)
{
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int bits = 0;
  int padding = 0;
  int symbols = 0;
  for (int i = 0; i < textLen && text[i]; ++i)
  {
    const char c = text[i];
    if (c == '\n' || c == '\r' || c == ' ' || c == '\t') continue;
    if (c == '=')
    {
      ++padding;
      ++symbols;
      continue;
    }
    const int d = DecodeChar(c);
    if (d < 0 || padding > 0) return false;
    ++symbols;
    acc = (acc << 6) | uint32_t(d);
    bits += 6;
    if (bits >= 8)
    {
      bits -= 8;
      bytes.push_back(uint8_t(acc >> bits));
    }
  }
  if (symbols % 4 != 0 || padding > 2) return false;
  const int before = out.Size();
  if (!bytes.empty() && out.PutBytes(bytes.data(), int(bytes.size())) != before + int(bytes.size()))
    return false;
  return true;
}
} // namespace iplugin
