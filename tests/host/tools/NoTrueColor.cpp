// Preloaded into a client (LD_PRELOAD): the server's list of visuals comes without its TrueColor ones, as
// from a server that offers only colormapped and gray visuals (which Xvfb cannot be made to be).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <algorithm>

extern "C" XVisualInfo* XGetVisualInfo(Display* d, long mask, XVisualInfo* wanted, int* count)
{
  using Real = XVisualInfo* (*)(Display*, long, XVisualInfo*, int*);
  static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "XGetVisualInfo"));
  XVisualInfo* all = real(d, mask, wanted, count);
  if (!all) return all;
  // In place: the caller frees the list with XFree.
  const auto trueColor = [](const XVisualInfo& v) { return v.c_class == TrueColor; };
  *count = int(std::remove_if(all, all + *count, trueColor) - all);
  return all;
}
