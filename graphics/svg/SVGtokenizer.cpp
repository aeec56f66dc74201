// A small in-place XML tokenizer: cuts the text into elements with attribute lists and content pieces.
// It knows no comments, CDATA or entities: a ">" inside a comment or a value ends the tag there.
#include "graphics/svg/SVGparser.h"

namespace iplugin::igraphics
{
namespace
{
enum
{
  kContent = 0,
  kTag = 1,
};

void ParseContent(char* s, SVGcontentFn contentCb, void* ud)
{
  while (*s && svgIsSpace(*s))
    s++;
  if (!*s) return;
  if (contentCb) contentCb(ud, s);
}

void ParseElement(char* s, SVGstartElementFn startelCb, SVGendElementFn endelCb, void* ud)
{
  const char* attr[kSVGmaxXMLAttribs * 2 + 2];
  int nattr = 0;
  bool start = false, end = false;

  while (*s && svgIsSpace(*s))
    s++;
  if (*s == '/')
  {
    s++;
    end = true;
  }
  else
  {
    start = true;
  }
  // Declarations, comments, processing instructions and empty tags.
  if (!*s || *s == '?' || *s == '!') return;

  const char* name = s;
  while (*s && !svgIsSpace(*s))
    s++;
  if (*s) *s++ = 0;

  while (!end && *s && nattr < kSVGmaxXMLAttribs * 2)
  {
    while (*s && svgIsSpace(*s))
      s++;
    if (!*s) break;
    if (*s == '/')
    {
      end = true;
      break;
    }
    const char* attrName = s;
    while (*s && !svgIsSpace(*s) && *s != '=')
      s++;
    if (*s) *s++ = 0;
    // Text without quotes is passed over up to the next quoted value.
    while (*s && *s != '"' && *s != '\'')
      s++;
    if (!*s) break;
    const char quote = *s++;
    const char* value = s;
    while (*s && *s != quote)
      s++;
    if (*s) *s++ = 0;
    attr[nattr++] = attrName;
    attr[nattr++] = value;
  }
  attr[nattr++] = nullptr;
  attr[nattr++] = nullptr;

  if (start && startelCb) startelCb(ud, name, attr);
  if (end && endelCb) endelCb(ud, name);
}
} // namespace

int svgParseXML(char* input, SVGstartElementFn startelCb, SVGendElementFn endelCb, SVGcontentFn contentCb,
                void* ud)
{
  char* s = input;
  char* mark = s;
  int state = kContent;
  while (*s)
  {
    if (*s == '<' && state == kContent)
    {
      *s++ = 0;
      ParseContent(mark, contentCb, ud);
      mark = s;
      state = kTag;
    }
    else if (*s == '>' && state == kTag)
    {
      *s++ = 0;
      ParseElement(mark, startelCb, endelCb, ud);
      mark = s;
      state = kContent;
    }
    else
    {
      s++;
    }
  }
  return 1;
}
} // namespace iplugin::igraphics
