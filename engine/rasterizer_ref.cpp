// The polygon fillers written out plainly: one edge walk into two tables, one pixel at a
// time along each row.
#include "engine/rasterizer_ref.hpp"

#include "engine/polygon_fill.hpp"

namespace {

using namespace polygon_fill;

template <typename Edge, typename Span>
void drawPolygon(const ProjectedObject* object, uint32_t polygonIndex, uint32_t* target) {
  const Polygon& poly = *object->polygons[polygonIndex];
  float* depth = getDepthTarget();
  Edge down[kScreenHeight];
  Edge up[kScreenHeight];
  int minY, maxY;
  Span g;
  double dz;
  if (!walkPolygon(poly, object->vertices, depth, down, up, minY, maxY, g, dz)) return;
  fillRowsPlain(down, up, minY, maxY, g, dz, target, depth, poly.texture->texels);
}

}  // namespace

namespace ref {
void drawPolygonPerspective(const ProjectedObject* object, uint32_t polygon, uint32_t* target) {
  drawPolygon<PerspectiveEdge, PerspectiveSpan>(object, polygon, target);
}

void drawPolygonAffine(const ProjectedObject* object, uint32_t polygon, uint32_t* target) {
  drawPolygon<AffineEdge, AffineSpan>(object, polygon, target);
}
}  // namespace ref
