#include "graphics/vector/FontAtlasSkyline.h"

#include <cstdlib>

namespace iplugin::igraphics
{
namespace
{
int SkylineInsertNode(FontAtlasSkyline* atlas, int idx, int x, int y, int w)
{
  if (atlas->nnodes + 1 > atlas->cnodes)
  {
    const int cnodes = atlas->cnodes == 0 ? 8 : atlas->cnodes * 2;
    auto* nodes = (FontAtlasSkylineNode*)realloc(atlas->nodes, sizeof(FontAtlasSkylineNode) * (size_t)cnodes);
    if (!nodes) return 0;
    atlas->nodes = nodes;
    atlas->cnodes = cnodes;
  }
  for (int i = atlas->nnodes; i > idx; i--)
    atlas->nodes[i] = atlas->nodes[i - 1];
  atlas->nodes[idx] = {(short)x, (short)y, (short)w};
  atlas->nnodes++;
  return 1;
}

void SkylineRemoveNode(FontAtlasSkyline* atlas, int idx)
{
  for (int i = idx; i < atlas->nnodes - 1; i++)
    atlas->nodes[i] = atlas->nodes[i + 1];
  atlas->nnodes--;
}

int SkylineAddLevel(FontAtlasSkyline* atlas, int idx, int x, int y, int w, int h)
{
  if (!SkylineInsertNode(atlas, idx, x, y + h, w)) return 0;
  // Shorten or drop the nodes the new one covers.
  for (int i = idx + 1; i < atlas->nnodes; i++)
  {
    FontAtlasSkylineNode& prev = atlas->nodes[i - 1];
    FontAtlasSkylineNode& node = atlas->nodes[i];
    if (node.x >= prev.x + prev.width) break;
    const int shrink = prev.x + prev.width - node.x;
    node.x = (short)(node.x + shrink);
    node.width = (short)(node.width - shrink);
    if (node.width > 0) break;
    SkylineRemoveNode(atlas, i);
    i--;
  }
  for (int i = 0; i < atlas->nnodes - 1; i++)
  {
    if (atlas->nodes[i].y == atlas->nodes[i + 1].y)
    {
      atlas->nodes[i].width = (short)(atlas->nodes[i].width + atlas->nodes[i + 1].width);
      SkylineRemoveNode(atlas, i + 1);
      i--;
    }
  }
  return 1;
}

// Height at which a w x h rectangle fits from node i, or -1.

int SkylineRectFits(const FontAtlasSkyline* atlas, int i, int w, int h)
{
  const int x = atlas->nodes[i].x;
  int y = atlas->nodes[i].y;
  if (x + w > atlas->width) return -1;
  int spaceLeft = w;
  while (spaceLeft > 0)
  {
    if (i == atlas->nnodes) return -1;
    if (atlas->nodes[i].y > y) y = atlas->nodes[i].y;
    if (y + h > atlas->height) return -1;
    spaceLeft -= atlas->nodes[i].width;
    ++i;
  }
  return y;
}

} // namespace

FontAtlasSkyline* FontAtlasSkylineCreate(int w, int h, int nnodes)
{
  auto* atlas = (FontAtlasSkyline*)calloc(1, sizeof(FontAtlasSkyline));
  if (!atlas) return nullptr;
  atlas->width = w;
  atlas->height = h;
  atlas->nodes = (FontAtlasSkylineNode*)calloc((size_t)nnodes, sizeof(FontAtlasSkylineNode));
  if (!atlas->nodes)
  {
    free(atlas);
    return nullptr;
  }
  atlas->cnodes = nnodes;
  atlas->nnodes = 1;
  atlas->nodes[0] = {0, 0, (short)w};
  return atlas;
}

void FontAtlasSkylineDelete(FontAtlasSkyline* atlas)
{
  if (!atlas) return;
  free(atlas->nodes);
  free(atlas);
}

void FontAtlasSkylineReset(FontAtlasSkyline* atlas, int w, int h)
{
  atlas->width = w;
  atlas->height = h;
  atlas->nnodes = 1;
  atlas->nodes[0] = {0, 0, (short)w};
}

void FontAtlasSkylineExpand(FontAtlasSkyline* atlas, int w, int h)
{
  // Widening appends a node at the top of the new strip; if that fails the strip stays unused.
  if (w > atlas->width) SkylineInsertNode(atlas, atlas->nnodes, atlas->width, 0, w - atlas->width);
  atlas->width = w;
  atlas->height = h;
}

int FontAtlasSkylineAddRect(FontAtlasSkyline* atlas, int rw, int rh, int* rx, int* ry)
{
  if (rw <= 0 || rh <= 0) return 0;
  int besth = atlas->height, bestw = atlas->width, besti = -1, bestx = -1, besty = -1;
  for (int i = 0; i < atlas->nnodes; i++)
  {
    const int y = SkylineRectFits(atlas, i, rw, rh);
    if (y == -1) continue;
    if (y + rh < besth || (y + rh == besth && atlas->nodes[i].width < bestw))
    {
      besti = i;
      bestw = atlas->nodes[i].width;
      besth = y + rh;
      bestx = atlas->nodes[i].x;
      besty = y;
    }
  }
  if (besti == -1) return 0;
  if (!SkylineAddLevel(atlas, besti, bestx, besty, rw, rh)) return 0;
  *rx = bestx;
  *ry = besty;
  return 1;
}

} // namespace iplugin::igraphics
