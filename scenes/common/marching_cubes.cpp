// Marching cubes: the case table, the grid, the normals and the triangle filler.
#include "scenes/common/marching_cubes.hpp"

#include <emmintrin.h>
#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/avx2_region.hpp"
#include "image/pixelops.hpp"

namespace {
struct EdgeRow {
  uint8_t count;
  int8_t edge[15];
};

// The published table over edges 0 to 11; within a case the triangles are listed
// in the order the show draws them (later ones overwrite earlier ones).
constexpr EdgeRow kEdgeTable[256] = {
    {0, {}},
    {1, {0, 8, 3}},
    {1, {0, 1, 9}},
    {2, {9, 8, 1, 1, 8, 3}},
    {1, {1, 2, 10}},
    {2, {0, 8, 3, 1, 2, 10}},
    {2, {0, 2, 9, 9, 2, 10}},
    {3, {10, 9, 8, 2, 8, 3, 2, 10, 8}},
    {1, {3, 11, 2}},
    {2, {0, 11, 2, 8, 11, 0}},
    {2, {1, 9, 0, 2, 3, 11}},
    {3, {9, 8, 11, 1, 9, 11, 1, 11, 2}},
    {2, {3, 10, 1, 11, 10, 3}},
    {3, {0, 10, 1, 0, 8, 10, 8, 11, 10}},
    {3, {3, 9, 0, 3, 11, 9, 11, 10, 9}},
    {2, {9, 8, 10, 10, 8, 11}},
    {1, {4, 7, 8}},
    {2, {4, 3, 0, 7, 3, 4}},
    {2, {0, 1, 9, 8, 4, 7}},
    {3, {4, 1, 9, 4, 7, 1, 7, 3, 1}},
    {2, {1, 2, 10, 8, 4, 7}},
    {3, {3, 4, 7, 3, 0, 4, 1, 2, 10}},
    {3, {9, 2, 10, 9, 0, 2, 8, 4, 7}},
    {4, {2, 10, 9, 2, 9, 7, 2, 7, 3, 7, 9, 4}},
    {2, {8, 4, 7, 3, 11, 2}},
    {3, {11, 4, 7, 11, 2, 4, 2, 0, 4}},
    {3, {9, 0, 1, 8, 4, 7, 2, 3, 11}},
    {4, {4, 7, 11, 9, 4, 11, 9, 11, 2, 9, 2, 1}},
    {3, {3, 10, 1, 3, 11, 10, 7, 8, 4}},
    {4, {1, 11, 10, 1, 4, 11, 1, 0, 4, 7, 11, 4}},
    {4, {4, 7, 8, 9, 0, 11, 9, 11, 10, 11, 0, 3}},
    {3, {4, 7, 11, 4, 11, 9, 9, 11, 10}},
    {1, {9, 5, 4}},
    {2, {9, 5, 4, 0, 8, 3}},
    {2, {0, 5, 4, 1, 5, 0}},
    {3, {8, 5, 4, 8, 3, 5, 3, 1, 5}},
    {2, {1, 2, 10, 9, 5, 4}},
    {3, {3, 0, 8, 1, 2, 10, 4, 9, 5}},
    {3, {5, 2, 10, 5, 4, 2, 4, 0, 2}},
    {4, {2, 10, 5, 3, 2, 5, 3, 5, 4, 3, 4, 8}},
    {2, {9, 5, 4, 2, 3, 11}},
    {3, {0, 11, 2, 0, 8, 11, 4, 9, 5}},
    {3, {0, 5, 4, 0, 1, 5, 2, 3, 11}},
    {4, {2, 1, 5, 2, 5, 8, 2, 8, 11, 4, 8, 5}},
    {3, {10, 3, 11, 10, 1, 3, 9, 5, 4}},
    {4, {4, 9, 5, 0, 8, 1, 8, 10, 1, 8, 11, 10}},
    {4, {5, 4, 0, 5, 0, 11, 5, 11, 10, 11, 0, 3}},
    {3, {5, 4, 8, 5, 8, 10, 10, 8, 11}},
    {2, {9, 7, 8, 5, 7, 9}},
    {3, {9, 3, 0, 9, 5, 3, 5, 7, 3}},
    {3, {0, 7, 8, 0, 1, 7, 1, 5, 7}},
    {2, {1, 5, 3, 3, 5, 7}},
    {3, {9, 7, 8, 9, 5, 7, 10, 1, 2}},
    {4, {10, 1, 2, 9, 5, 0, 5, 3, 0, 5, 7, 3}},
    {4, {8, 0, 2, 8, 2, 5, 8, 5, 7, 10, 5, 2}},
    {3, {2, 10, 5, 2, 5, 3, 3, 5, 7}},
    {3, {7, 9, 5, 7, 8, 9, 3, 11, 2}},
    {4, {9, 5, 7, 9, 7, 2, 9, 2, 0, 2, 7, 11}},
    {4, {2, 3, 11, 0, 1, 8, 1, 7, 8, 1, 5, 7}},
    {3, {11, 2, 1, 11, 1, 7, 7, 1, 5}},
    {4, {9, 5, 8, 8, 5, 7, 10, 1, 3, 10, 3, 11}},
    {5, {5, 7, 0, 5, 0, 9, 7, 11, 0, 1, 0, 10, 11, 10, 0}},
    {5, {11, 10, 0, 11, 0, 3, 10, 5, 0, 8, 0, 7, 5, 7, 0}},
    {2, {11, 10, 5, 7, 11, 5}},
    {1, {10, 6, 5}},
    {2, {0, 8, 3, 5, 10, 6}},
    {2, {9, 0, 1, 5, 10, 6}},
    {3, {1, 8, 3, 1, 9, 8, 5, 10, 6}},
    {2, {1, 6, 5, 2, 6, 1}},
    {3, {1, 6, 5, 1, 2, 6, 3, 0, 8}},
    {3, {9, 6, 5, 9, 0, 6, 0, 2, 6}},
    {4, {5, 9, 8, 5, 8, 2, 5, 2, 6, 3, 2, 8}},
    {2, {2, 3, 11, 10, 6, 5}},
    {3, {11, 0, 8, 11, 2, 0, 10, 6, 5}},
    {3, {0, 1, 9, 2, 3, 11, 5, 10, 6}},
    {4, {5, 10, 6, 1, 9, 2, 9, 11, 2, 9, 8, 11}},
    {3, {6, 3, 11, 6, 5, 3, 5, 1, 3}},
    {4, {0, 8, 11, 0, 11, 5, 0, 5, 1, 5, 11, 6}},
    {4, {3, 11, 6, 0, 3, 6, 0, 6, 5, 0, 5, 9}},
    {3, {6, 5, 9, 6, 9, 11, 11, 9, 8}},
    {2, {5, 10, 6, 4, 7, 8}},
    {3, {4, 3, 0, 4, 7, 3, 6, 5, 10}},
    {3, {1, 9, 0, 5, 10, 6, 8, 4, 7}},
    {4, {10, 6, 5, 1, 9, 7, 1, 7, 3, 7, 9, 4}},
    {3, {6, 1, 2, 6, 5, 1, 4, 7, 8}},
    {4, {1, 2, 5, 5, 2, 6, 3, 0, 4, 3, 4, 7}},
    {4, {8, 4, 7, 9, 0, 5, 0, 6, 5, 0, 2, 6}},
    {5, {7, 3, 9, 7, 9, 4, 3, 2, 9, 5, 9, 6, 2, 6, 9}},
    {3, {3, 11, 2, 7, 8, 4, 10, 6, 5}},
    {4, {5, 10, 6, 4, 7, 2, 4, 2, 0, 2, 7, 11}},
    {4, {0, 1, 9, 4, 7, 8, 2, 3, 11, 5, 10, 6}},
    {5, {9, 2, 1, 9, 11, 2, 9, 4, 11, 7, 11, 4, 5, 10, 6}},
    {4, {8, 4, 7, 3, 11, 5, 3, 5, 1, 5, 11, 6}},
    {5, {5, 1, 11, 5, 11, 6, 1, 0, 11, 7, 11, 4, 0, 4, 11}},
    {5, {0, 5, 9, 0, 6, 5, 0, 3, 6, 11, 6, 3, 8, 4, 7}},
    {4, {6, 5, 9, 6, 9, 11, 4, 7, 9, 7, 11, 9}},
    {2, {10, 4, 9, 6, 4, 10}},
    {3, {4, 10, 6, 4, 9, 10, 0, 8, 3}},
    {3, {10, 0, 1, 10, 6, 0, 6, 4, 0}},
    {4, {8, 3, 1, 8, 1, 6, 8, 6, 4, 6, 1, 10}},
    {3, {1, 4, 9, 1, 2, 4, 2, 6, 4}},
    {4, {3, 0, 8, 1, 2, 9, 2, 4, 9, 2, 6, 4}},
    {2, {0, 2, 4, 4, 2, 6}},
    {3, {8, 3, 2, 8, 2, 4, 4, 2, 6}},
    {3, {10, 4, 9, 10, 6, 4, 11, 2, 3}},
    {4, {0, 8, 2, 2, 8, 11, 4, 9, 10, 4, 10, 6}},
    {4, {3, 11, 2, 0, 1, 6, 0, 6, 4, 6, 1, 10}},
    {5, {6, 4, 1, 6, 1, 10, 4, 8, 1, 2, 1, 11, 8, 11, 1}},
    {4, {9, 6, 4, 9, 3, 6, 9, 1, 3, 11, 6, 3}},
    {5, {8, 11, 1, 8, 1, 0, 11, 6, 1, 9, 1, 4, 6, 4, 1}},
    {3, {3, 11, 6, 3, 6, 0, 0, 6, 4}},
    {2, {6, 4, 8, 11, 6, 8}},
    {3, {7, 10, 6, 7, 8, 10, 8, 9, 10}},
    {4, {0, 7, 3, 0, 10, 7, 0, 9, 10, 6, 7, 10}},
    {4, {10, 6, 7, 1, 10, 7, 1, 7, 8, 1, 8, 0}},
    {3, {10, 6, 7, 10, 7, 1, 1, 7, 3}},
    {4, {1, 2, 6, 1, 6, 8, 1, 8, 9, 8, 6, 7}},
    {5, {2, 6, 9, 2, 9, 1, 6, 7, 9, 0, 9, 3, 7, 3, 9}},
    {3, {7, 8, 0, 7, 0, 6, 6, 0, 2}},
    {2, {7, 3, 2, 6, 7, 2}},
    {4, {2, 3, 11, 10, 6, 8, 10, 8, 9, 8, 6, 7}},
    {5, {2, 0, 7, 2, 7, 11, 0, 9, 7, 6, 7, 10, 9, 10, 7}},
    {5, {1, 8, 0, 1, 7, 8, 1, 10, 7, 6, 7, 10, 2, 3, 11}},
    {4, {11, 2, 1, 11, 1, 7, 10, 6, 1, 6, 7, 1}},
    {5, {8, 9, 6, 8, 6, 7, 9, 1, 6, 11, 6, 3, 1, 3, 6}},
    {2, {0, 9, 1, 11, 6, 7}},
    {4, {7, 8, 0, 7, 0, 6, 3, 11, 0, 11, 6, 0}},
    {1, {7, 11, 6}},
    {1, {7, 6, 11}},
    {2, {3, 0, 8, 11, 7, 6}},
    {2, {0, 1, 9, 11, 7, 6}},
    {3, {8, 1, 9, 8, 3, 1, 11, 7, 6}},
    {2, {10, 1, 2, 6, 11, 7}},
    {3, {1, 2, 10, 3, 0, 8, 6, 11, 7}},
    {3, {2, 9, 0, 2, 10, 9, 6, 11, 7}},
    {4, {6, 11, 7, 2, 10, 3, 10, 8, 3, 10, 9, 8}},
    {2, {7, 2, 3, 6, 2, 7}},
    {3, {7, 0, 8, 7, 6, 0, 6, 2, 0}},
    {3, {2, 7, 6, 2, 3, 7, 0, 1, 9}},
    {4, {1, 6, 2, 1, 8, 6, 1, 9, 8, 8, 7, 6}},
    {3, {10, 7, 6, 10, 1, 7, 1, 3, 7}},
    {4, {10, 7, 6, 1, 7, 10, 1, 8, 7, 1, 0, 8}},
    {4, {0, 3, 7, 0, 7, 10, 0, 10, 9, 6, 10, 7}},
    {3, {7, 6, 10, 7, 10, 8, 8, 10, 9}},
    {2, {6, 8, 4, 11, 8, 6}},
    {3, {3, 6, 11, 3, 0, 6, 0, 4, 6}},
    {3, {8, 6, 11, 8, 4, 6, 9, 0, 1}},
    {4, {9, 4, 6, 9, 6, 3, 9, 3, 1, 11, 3, 6}},
    {3, {6, 8, 4, 6, 11, 8, 2, 10, 1}},
    {4, {1, 2, 10, 3, 0, 11, 0, 6, 11, 0, 4, 6}},
    {4, {4, 11, 8, 4, 6, 11, 0, 2, 9, 2, 10, 9}},
    {5, {10, 9, 3, 10, 3, 2, 9, 4, 3, 11, 3, 6, 4, 6, 3}},
    {3, {8, 2, 3, 8, 4, 2, 4, 6, 2}},
    {2, {0, 4, 2, 4, 6, 2}},
    {4, {1, 9, 0, 2, 3, 4, 2, 4, 6, 4, 3, 8}},
    {3, {1, 9, 4, 1, 4, 2, 2, 4, 6}},
    {4, {8, 1, 3, 8, 6, 1, 8, 4, 6, 6, 10, 1}},
    {3, {10, 1, 0, 10, 0, 6, 6, 0, 4}},
    {5, {4, 6, 3, 4, 3, 8, 6, 10, 3, 0, 3, 9, 10, 9, 3}},
    {2, {10, 9, 4, 6, 10, 4}},
    {2, {4, 9, 5, 7, 6, 11}},
    {3, {0, 8, 3, 4, 9, 5, 11, 7, 6}},
    {3, {5, 0, 1, 5, 4, 0, 7, 6, 11}},
    {4, {11, 7, 6, 8, 3, 4, 3, 5, 4, 3, 1, 5}},
    {3, {9, 5, 4, 10, 1, 2, 7, 6, 11}},
    {4, {6, 11, 7, 1, 2, 10, 0, 8, 3, 4, 9, 5}},
    {4, {7, 6, 11, 5, 4, 10, 4, 2, 10, 4, 0, 2}},
    {5, {3, 4, 8, 3, 5, 4, 3, 2, 5, 10, 5, 2, 11, 7, 6}},
    {3, {7, 2, 3, 7, 6, 2, 5, 4, 9}},
    {4, {9, 5, 4, 0, 8, 6, 0, 6, 2, 6, 8, 7}},
    {4, {3, 6, 2, 3, 7, 6, 1, 5, 0, 5, 4, 0}},
    {5, {6, 2, 8, 6, 8, 7, 2, 1, 8, 4, 8, 5, 1, 5, 8}},
    {4, {9, 5, 4, 10, 1, 6, 1, 7, 6, 1, 3, 7}},
    {5, {1, 6, 10, 1, 7, 6, 1, 0, 7, 8, 7, 0, 9, 5, 4}},
    {5, {4, 0, 10, 4, 10, 5, 0, 3, 10, 6, 10, 7, 3, 7, 10}},
    {4, {7, 6, 10, 7, 10, 8, 5, 4, 10, 4, 8, 10}},
    {3, {6, 9, 5, 6, 11, 9, 11, 8, 9}},
    {4, {3, 6, 11, 0, 6, 3, 0, 5, 6, 0, 9, 5}},
    {4, {0, 11, 8, 0, 5, 11, 0, 1, 5, 5, 6, 11}},
    {3, {6, 11, 3, 6, 3, 5, 5, 3, 1}},
    {4, {1, 2, 10, 9, 5, 11, 9, 11, 8, 11, 5, 6}},
    {5, {0, 11, 3, 0, 6, 11, 0, 9, 6, 5, 6, 9, 1, 2, 10}},
    {5, {11, 8, 5, 11, 5, 6, 8, 0, 5, 10, 5, 2, 0, 2, 5}},
    {4, {6, 11, 3, 6, 3, 5, 2, 10, 3, 10, 5, 3}},
    {4, {5, 8, 9, 5, 2, 8, 5, 6, 2, 3, 8, 2}},
    {3, {9, 5, 6, 9, 6, 0, 0, 6, 2}},
    {5, {1, 5, 8, 1, 8, 0, 5, 6, 8, 3, 8, 2, 6, 2, 8}},
    {2, {1, 5, 6, 2, 1, 6}},
    {5, {1, 3, 6, 1, 6, 10, 3, 8, 6, 5, 6, 9, 8, 9, 6}},
    {4, {10, 1, 0, 10, 0, 6, 9, 5, 0, 5, 6, 0}},
    {2, {0, 3, 8, 5, 6, 10}},
    {1, {10, 5, 6}},
    {2, {11, 5, 10, 7, 5, 11}},
    {3, {11, 5, 10, 11, 7, 5, 8, 3, 0}},
    {3, {5, 11, 7, 5, 10, 11, 1, 9, 0}},
    {4, {10, 7, 5, 10, 11, 7, 9, 8, 1, 8, 3, 1}},
    {3, {11, 1, 2, 11, 7, 1, 7, 5, 1}},
    {4, {0, 8, 3, 1, 2, 7, 1, 7, 5, 7, 2, 11}},
    {4, {9, 7, 5, 9, 2, 7, 9, 0, 2, 2, 11, 7}},
    {5, {7, 5, 2, 7, 2, 11, 5, 9, 2, 3, 2, 8, 9, 8, 2}},
    {3, {2, 5, 10, 2, 3, 5, 3, 7, 5}},
    {4, {8, 2, 0, 8, 5, 2, 8, 7, 5, 10, 2, 5}},
    {4, {9, 0, 1, 5, 10, 3, 5, 3, 7, 3, 10, 2}},
    {5, {9, 8, 2, 9, 2, 1, 8, 7, 2, 10, 2, 5, 7, 5, 2}},
    {2, {1, 3, 5, 3, 7, 5}},
    {3, {0, 8, 7, 0, 7, 1, 1, 7, 5}},
    {3, {9, 0, 3, 9, 3, 5, 5, 3, 7}},
    {2, {9, 8, 7, 5, 9, 7}},
    {3, {5, 8, 4, 5, 10, 8, 10, 11, 8}},
    {4, {5, 0, 4, 5, 11, 0, 5, 10, 11, 11, 3, 0}},
    {4, {0, 1, 9, 8, 4, 10, 8, 10, 11, 10, 4, 5}},
    {5, {10, 11, 4, 10, 4, 5, 11, 3, 4, 9, 4, 1, 3, 1, 4}},
    {4, {2, 5, 1, 2, 8, 5, 2, 11, 8, 4, 5, 8}},
    {5, {0, 4, 11, 0, 11, 3, 4, 5, 11, 2, 11, 1, 5, 1, 11}},
    {5, {0, 2, 5, 0, 5, 9, 2, 11, 5, 4, 5, 8, 11, 8, 5}},
    {2, {9, 4, 5, 2, 11, 3}},
    {4, {2, 5, 10, 3, 5, 2, 3, 4, 5, 3, 8, 4}},
    {3, {5, 10, 2, 5, 2, 4, 4, 2, 0}},
    {5, {3, 10, 2, 3, 5, 10, 3, 8, 5, 4, 5, 8, 0, 1, 9}},
    {4, {5, 10, 2, 5, 2, 4, 1, 9, 2, 9, 4, 2}},
    {3, {8, 4, 5, 8, 5, 3, 3, 5, 1}},
    {2, {0, 4, 5, 1, 0, 5}},
    {4, {8, 4, 5, 8, 5, 3, 9, 0, 5, 0, 3, 5}},
    {1, {9, 4, 5}},
    {3, {4, 11, 7, 4, 9, 11, 9, 10, 11}},
    {4, {0, 8, 3, 4, 9, 7, 9, 11, 7, 9, 10, 11}},
    {4, {1, 10, 11, 1, 11, 4, 1, 4, 0, 7, 4, 11}},
    {5, {3, 1, 4, 3, 4, 8, 1, 10, 4, 7, 4, 11, 10, 11, 4}},
    {4, {4, 11, 7, 9, 11, 4, 9, 2, 11, 9, 1, 2}},
    {5, {9, 7, 4, 9, 11, 7, 9, 1, 11, 2, 11, 1, 0, 8, 3}},
    {3, {11, 7, 4, 11, 4, 2, 2, 4, 0}},
    {4, {11, 7, 4, 11, 4, 2, 8, 3, 4, 3, 2, 4}},
    {4, {2, 9, 10, 2, 7, 9, 2, 3, 7, 7, 4, 9}},
    {5, {9, 10, 7, 9, 7, 4, 10, 2, 7, 8, 7, 0, 2, 0, 7}},
    {5, {3, 7, 10, 3, 10, 2, 7, 4, 10, 1, 10, 0, 4, 0, 10}},
    {2, {1, 10, 2, 8, 7, 4}},
    {3, {4, 9, 1, 4, 1, 7, 7, 1, 3}},
    {4, {4, 9, 1, 4, 1, 7, 0, 8, 1, 8, 7, 1}},
    {2, {4, 0, 3, 7, 4, 3}},
    {1, {4, 8, 7}},
    {2, {9, 10, 8, 10, 11, 8}},
    {3, {3, 0, 9, 3, 9, 11, 11, 9, 10}},
    {3, {0, 1, 10, 0, 10, 8, 8, 10, 11}},
    {2, {3, 1, 10, 11, 3, 10}},
    {3, {1, 2, 11, 1, 11, 9, 9, 11, 8}},
    {4, {3, 0, 9, 3, 9, 11, 1, 2, 9, 2, 11, 9}},
    {2, {0, 2, 11, 8, 0, 11}},
    {1, {3, 2, 11}},
    {3, {2, 3, 8, 2, 8, 10, 10, 8, 9}},
    {2, {9, 10, 2, 0, 9, 2}},
    {4, {2, 3, 8, 2, 8, 10, 0, 1, 8, 1, 10, 8}},
    {1, {1, 10, 2}},
    {2, {1, 3, 8, 9, 1, 8}},
    {1, {0, 9, 1}},
    {1, {0, 3, 8}},
    {0, {}},
};

constexpr int kEdgeCorners[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                     {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

constexpr CubeCase makeCase(const EdgeRow& row) {
  CubeCase c{};
  c.count = row.count;
  for (int t = 0; t < row.count; ++t)
    for (int e = 0; e < 3; ++e) {
      int edge = row.edge[3 * t + e];
      c.corner[t][e][0] = uint8_t(kEdgeCorners[edge][0]);
      c.corner[t][e][1] = uint8_t(kEdgeCorners[edge][1]);
    }
  return c;
}

struct CaseTable {
  CubeCase c[256];
};

constexpr CaseTable makeTable() {
  CaseTable t{};
  for (int i = 0; i < 256; ++i) t.c[i] = makeCase(kEdgeTable[i]);
  return t;
}

constexpr CaseTable kCaseTable = makeTable();
}  // namespace

const CubeCase (&triangleTable)[256] = kCaseTable.c;

namespace {
constexpr int8_t edgeOf(int a, int b) {
  for (int e = 0; e < 12; ++e)
    if ((kEdgeCorners[e][0] == a && kEdgeCorners[e][1] == b) || (kEdgeCorners[e][0] == b && kEdgeCorners[e][1] == a))
      return int8_t(e);
  return -1;
}
}  // namespace

const int8_t kEdgeOfCorners[64] = {
#define ROW(a) edgeOf(a, 0), edgeOf(a, 1), edgeOf(a, 2), edgeOf(a, 3), edgeOf(a, 4), edgeOf(a, 5), edgeOf(a, 6), edgeOf(a, 7)
    ROW(0), ROW(1), ROW(2), ROW(3), ROW(4), ROW(5), ROW(6), ROW(7)
#undef ROW
};

namespace {
struct CaseVertexTable {
  CubeCaseVertices c[256];
};

constexpr CaseVertexTable makeCaseVertices() {
  CaseVertexTable table{};
  for (int i = 0; i < 256; ++i) {
    CubeCaseVertices& cv = table.c[i];
    int vertexOfEdge[12] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    for (int t = 0; t < kEdgeTable[i].count; ++t)
      for (int e = 0; e < 3; ++e) {
        const int edge = kEdgeTable[i].edge[3 * t + e];
        if (vertexOfEdge[edge] < 0) {
          vertexOfEdge[edge] = cv.count;
          cv.corner[cv.count][0] = uint8_t(kEdgeCorners[edge][0]);
          cv.corner[cv.count][1] = uint8_t(kEdgeCorners[edge][1]);
          ++cv.count;
        }
        cv.triangle[t][e] = uint8_t(vertexOfEdge[edge]);
      }
  }
  return table;
}

constexpr CaseVertexTable kCaseVertices = makeCaseVertices();
}  // namespace

const CubeCaseVertices (&caseVertices)[256] = kCaseVertices.c;

int cubeEdgeOf(int a, int b) {
  for (int e = 0; e < 12; ++e)
    if ((kEdgeCorners[e][0] == a && kEdgeCorners[e][1] == b) || (kEdgeCorners[e][0] == b && kEdgeCorners[e][1] == a))
      return e;
  return -1;
}

const int kCornerOffset[8][3] = {{0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {0, 1, 1},
                                 {0, 0, 0}, {1, 0, 0}, {1, 0, 1}, {0, 0, 1}};

void fillFieldBytes(CubeGrid& g, const float (*term)[3][32], int ballCount, bool squareRoot) {
  const int n = g.n;
  const __m128 one = _mm_set1_ps(1.0f), none = _mm_setzero_ps(), saturated = _mm_set1_ps(4.0f),
               scale = _mm_set1_ps(64.0f);
  const __m128i top = _mm_set1_epi32(255);
  uint8_t* F = g.field;
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j, F += n) {
      int i = 0;
      for (; i + 4 <= n; i += 4) {
        __m128 f = none;
        for (int b = 0; b < ballCount; ++b) {
          __m128 s = _mm_add_ps(_mm_add_ps(_mm_loadu_ps(term[b][0] + i), _mm_set1_ps(term[b][1][j])),
                                _mm_set1_ps(term[b][2][k]));
          __m128 inverse = _mm_div_ps(one, squareRoot ? _mm_sqrt_ps(s) : s);
          f = _mm_add_ps(f, _mm_and_ps(_mm_cmpneq_ps(s, none), inverse));  // + 0 leaves f as it is
        }
        // fieldByte: the conversion rounds halves to even; a NaN's INT32_MIN packs to 0
        // and 256 to 255, as the plain version's wrap and hold give.
        __m128i full = _mm_castps_si128(_mm_cmpge_ps(f, saturated));
        __m128i v = _mm_or_si128(_mm_and_si128(full, top), _mm_andnot_si128(full, _mm_cvtps_epi32(_mm_mul_ps(f, scale))));
        v = _mm_packs_epi32(v, v);
        int32_t four = _mm_cvtsi128_si32(_mm_packus_epi16(v, v));
        std::memcpy(F + i, &four, 4);
      }
      for (; i < n; ++i) {
        float f = 0.0f;
        for (int b = 0; b < ballCount; ++b) {
          float s = term[b][0][i] + term[b][1][j] + term[b][2][k];
          if (s == 0.0f) continue;
          f += 1.0f / (squareRoot ? std::sqrt(s) : s);
        }
        F[i] = fieldByte(f);
      }
    }
}

void setupCubeGrid(CubeGrid& g, int n, float x0, float y0, float z0, float step) {
  g.n = n;
  g.x0 = x0;
  g.y0 = y0;
  g.z0 = z0;
  g.step = step;
  for (int c = 0; c < 8; ++c) {
    const int* o = kCornerOffset[c];
    g.cornerIndex[c] = o[0] + n * o[1] + n * n * o[2];
    g.cornerWorld[c] = {float(o[0]) * step, float(o[1]) * step, -float(o[2]) * step};
  }
  size_t count = size_t(n) * size_t(n) * size_t(n);
  g.field = static_cast<uint8_t*>(std::calloc(count + 32, 1));
  g.rowCases = static_cast<uint8_t*>(std::calloc(size_t(n) + 16, 1));
  g.normalX = static_cast<float*>(std::calloc(count, sizeof(float)));
  g.normalY = static_cast<float*>(std::calloc(count, sizeof(float)));
  g.normalZ = static_cast<float*>(std::calloc(count, sizeof(float)));
}

void releaseCubeGrid(CubeGrid& g) {
  std::free(g.field);
  std::free(g.normalX);
  std::free(g.normalY);
  std::free(g.normalZ);
  std::free(g.rowCases);
  g.field = g.rowCases = nullptr;
  g.normalX = g.normalY = g.normalZ = nullptr;
}

uint32_t cubeCasesOfRow(const CubeGrid& g, int iso, int j, int k, uint8_t* cases) {
  const int n = g.n, plane = n * n;
  const uint8_t* near = g.field + j * n + k * plane;  // y = j, z = k
  // Corner c's row and column: corners 0, 1 at (y + 1, z), 3, 2 at (y + 1, z + 1),
  // 4, 5 at (y, z), 7, 6 at (y, z + 1); the first of each pair at column i, the second at i + 1.
  const uint8_t* rows[4] = {near + n, near + n + plane, near, near + plane};
  static const uint8_t leftBit[4] = {1, 8, 16, 128}, rightBit[4] = {2, 4, 32, 64};
  const __m128i level = _mm_set1_epi8(char(iso)), zero = _mm_setzero_si128(), full = _mm_set1_epi8(char(0xFF));
  uint32_t any = 0;
  // The loads run up to 16 bytes past the row's last cell: the field's padding.
  for (int i = 0; i < n - 1; i += 16) {
    __m128i c = zero;
    for (int r = 0; r < 4; ++r) {
      __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + i));
      __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[r] + i + 1));
      // At or below the level: min(value, level) == value.
      __m128i inLeft = _mm_cmpeq_epi8(_mm_min_epu8(left, level), left);
      __m128i inRight = _mm_cmpeq_epi8(_mm_min_epu8(right, level), right);
      c = _mm_or_si128(c, _mm_and_si128(inLeft, _mm_set1_epi8(char(leftBit[r]))));
      c = _mm_or_si128(c, _mm_and_si128(inRight, _mm_set1_epi8(char(rightBit[r]))));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cases + i), c);
    int cells = n - 1 - i < 16 ? n - 1 - i : 16;
    int empty = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(c, zero), _mm_cmpeq_epi8(c, full)));
    any |= uint32_t(~empty & ((1 << cells) - 1)) << i;
  }
  return any;
}

void computeCubeNormals(CubeGrid& g) {
  const int n = g.n, plane = n * n, end = plane * (n - 1);
  const uint8_t* F = g.field;
  // Four points at a time: the differences are small integers, so the squares and
  // their sum are exact in any order, and the square root and the division are the
  // correctly rounded ones of the plain version.
  const __m128i zero = _mm_setzero_si128();
  const __m128 scale = _mm_set1_ps(127.0f), none = _mm_setzero_ps();
  auto widen = [&](const uint8_t* p) {
    int32_t four;
    std::memcpy(&four, p, 4);
    return _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(four), zero), zero);
  };
  auto difference = [&](int idx, int d) {
    return _mm_cvtepi32_ps(_mm_sub_epi32(widen(F + idx + d), widen(F + idx - d)));
  };
  int idx = plane;
  for (; idx + 4 <= end; idx += 4) {
    __m128 gx = difference(idx, 1), gy = difference(idx, n), gz = difference(idx, plane);
    __m128 len = _mm_sqrt_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(gx, gx), _mm_mul_ps(gy, gy)), _mm_mul_ps(gz, gz)));
    __m128 some = _mm_cmpneq_ps(len, none);
    _mm_storeu_ps(g.normalX + idx, _mm_and_ps(some, _mm_div_ps(_mm_mul_ps(gx, scale), len)));
    _mm_storeu_ps(g.normalY + idx, _mm_and_ps(some, _mm_div_ps(_mm_mul_ps(gy, scale), len)));
    _mm_storeu_ps(g.normalZ + idx, _mm_and_ps(some, _mm_div_ps(_mm_mul_ps(gz, scale), len)));
  }
  ref::computeCubeNormalsOf(g, idx, end);
}

namespace ref {
void computeCubeNormalsOf(CubeGrid& g, int from, int to) {
  const int n = g.n, plane = n * n;
  const uint8_t* F = g.field;
  for (int idx = from; idx < to; ++idx) {
    float gx = float(int(F[idx + 1]) - int(F[idx - 1]));
    float gy = float(int(F[idx + n]) - int(F[idx - n]));
    float gz = float(int(F[idx + plane]) - int(F[idx - plane]));
    float len = std::sqrt(gx * gx + gy * gy + gz * gz);
    if (len == 0.0f) {
      g.normalX[idx] = g.normalY[idx] = g.normalZ[idx] = 0.0f;
    } else {
      g.normalX[idx] = gx * 127.0f / len;
      g.normalY[idx] = gy * 127.0f / len;
      g.normalZ[idx] = gz * 127.0f / len;
    }
  }
}

void computeCubeNormals(CubeGrid& g) { computeCubeNormalsOf(g, g.n * g.n, g.n * g.n * (g.n - 1)); }
}  // namespace ref

namespace {
// Steps further than this are taken by one multiplication instead of repeated
// addition, so far-off vertices cost nothing.
constexpr int kExactSkip = 1024;

// The fast filler walks the edges once for up to two textures over the same corners
// and then runs the rows' spans two at a time, so that the two serial chains of
// additions of one span overlap with those of the other. Every value is computed by
// the same operations in the same order as in ref::drawTexturedTriangle.
template <int kLayers>
struct EdgePoint {
  float x, u[kLayers], v[kLayers];
};
// Per-row span ends of the triangle being filled (module state: nothing is
// allocated per triangle).
EdgePoint<2> gLeft[200], gRight[200];

struct Span {
  uint32_t* row;
  const uint32_t* texture;
  int64_t x, xe;
  float u, v, du, dv;
};
Span gSpans[400];

// The processor's conversion of the float itself rounds as roundEven of it does.
inline int roundFloat(float f) { return _mm_cvtss_si32(_mm_set_ss(f)); }

// The span from column xl to xr, its start at xl or, left of the frame, stepped on to
// column 0; its end at most the last column.
inline void clipSpanToFrame(Span& s, int64_t xl, int64_t xr) {
  s.x = xl;
  if (s.x < 0) {
    int64_t skip = -s.x;
    if (skip > kExactSkip) {
      s.u += s.du * float(skip);
      s.v += s.dv * float(skip);
    } else {
      for (int64_t k = 0; k < skip; ++k) {
        s.u += s.du;
        s.v += s.dv;
      }
    }
    s.x = 0;
  }
  s.xe = xr > 319 ? 319 : xr;
}

inline void drawTexel(Span& s) {
  s.row[s.x] = s.texture[((roundFloat(s.v) & 255) << 8) | (roundFloat(s.u) & 255)];
  s.u += s.du;
  s.v += s.dv;
  ++s.x;
}

void drawSpans(int count) {
  int i = 0;
  for (; i + 1 < count; i += 2) {
    Span a = gSpans[i], b = gSpans[i + 1];
    while (a.x <= a.xe && b.x <= b.xe) {
      drawTexel(a);
      drawTexel(b);
    }
    while (a.x <= a.xe) drawTexel(a);
    while (b.x <= b.xe) drawTexel(b);
  }
  if (i < count) {
    Span a = gSpans[i];
    while (a.x <= a.xe) drawTexel(a);
  }
}

}  // namespace

// The spans in AVX2, four pixels at a time, u in the low half of a register and v in
// the high one: lane j starts with the span's first j additions (the others adding
// -0, which leaves every value as it is) and then takes four more per step, so each
// lane holds exactly the value the chain of additions has at its pixel. Short spans,
// most of them, cost one masked gather and store and no branch on their length.
GVS_AVX2_REGION_BEGIN
namespace {
alignas(16) const int32_t kFirstOfFour[5][4] = {
    {0, 0, 0, 0}, {-1, 0, 0, 0}, {-1, -1, 0, 0}, {-1, -1, -1, 0}, {-1, -1, -1, -1}};

void drawSpansAvx2(int count) {
  const __m256 keep = _mm256_set1_ps(-0.0f);
  const __m128i texelByte = _mm_set1_epi32(255);
  for (int i = 0; i < count; ++i) {
    const Span& s = gSpans[i];
    const __m256 step = _mm256_set_m128(_mm_set1_ps(s.dv), _mm_set1_ps(s.du));
    __m256 uv = _mm256_set_m128(_mm_set1_ps(s.v), _mm_set1_ps(s.u));
    uv = _mm256_add_ps(uv, _mm256_blend_ps(step, keep, 0x11));
    uv = _mm256_add_ps(uv, _mm256_blend_ps(step, keep, 0x33));
    uv = _mm256_add_ps(uv, _mm256_blend_ps(step, keep, 0x77));
    int* row = reinterpret_cast<int*>(s.row + s.x);
    for (int64_t left = s.xe - s.x + 1;;) {
      const __m256i n = _mm256_cvtps_epi32(uv);
      const __m128i index = _mm_or_si128(_mm_slli_epi32(_mm_and_si128(_mm256_extracti128_si256(n, 1), texelByte), 8),
                                         _mm_and_si128(_mm256_castsi256_si128(n), texelByte));
      const __m128i inSpan = _mm_load_si128(reinterpret_cast<const __m128i*>(kFirstOfFour[left < 4 ? left : 4]));
      _mm_maskstore_epi32(row, inSpan,
                          _mm_mask_i32gather_epi32(_mm_setzero_si128(), reinterpret_cast<const int*>(s.texture),
                                                   index, inSpan, 4));
      left -= 4;
      if (left <= 0) break;
      row += 4;
      for (int j = 0; j < 4; ++j) uv = _mm256_add_ps(uv, step);
    }
  }
  _mm256_zeroupper();
}
}  // namespace
GVS_AVX2_REGION_END

namespace {
void drawSpansOnPath(int count) {
  if (vectorPath() == VectorPath::Avx2)
    drawSpansAvx2(count);
  else
    drawSpans(count);
}

template <int kLayers>
void walkEdge(int xa, int ya, const int* uva, int xb, int yb, const int* uvb) {
  int64_t n = std::llabs(int64_t(yb) - int64_t(ya));
  int step = yb >= ya ? 1 : -1;
  EdgePoint<kLayers> d{}, p;
  if (n != 0) {
    d.x = float(int64_t(xb) - int64_t(xa)) / float(n);
    for (int l = 0; l < kLayers; ++l) {
      d.u[l] = float(int64_t(uvb[2 * l]) - int64_t(uva[2 * l])) / float(n);
      d.v[l] = float(int64_t(uvb[2 * l + 1]) - int64_t(uva[2 * l + 1])) / float(n);
    }
  }
  p.x = float(xa);
  for (int l = 0; l < kLayers; ++l) {
    p.u[l] = float(uva[2 * l]);
    p.v[l] = float(uva[2 * l + 1]);
  }
  // Rows before the frame are stepped over; rows after it end the walk.
  int64_t first = step > 0 ? -int64_t(ya) : int64_t(ya) - 199;
  int64_t i = 0;
  if (first > 0) {
    if (first > n) return;
    if (first > kExactSkip) {
      p.x += d.x * float(first);
      for (int l = 0; l < kLayers; ++l) {
        p.u[l] += d.u[l] * float(first);
        p.v[l] += d.v[l] * float(first);
      }
      i = first;
    }
  }
  int64_t y = int64_t(ya) + step * i;
  for (; i <= n; ++i, y += step) {
    if (y >= 0 && y <= 199) {
      EdgePoint<2>&l = gLeft[y], &r = gRight[y];
      if (p.x < l.x) {
        l.x = p.x;
        for (int k = 0; k < kLayers; ++k) l.u[k] = p.u[k], l.v[k] = p.v[k];
      }
      if (p.x > r.x) {
        r.x = p.x;
        for (int k = 0; k < kLayers; ++k) r.u[k] = p.u[k], r.v[k] = p.v[k];
      }
    } else if (step > 0 ? y > 199 : y < 0) {
      break;  // past the frame: nothing further is visible
    }
    p.x += d.x;
    for (int l = 0; l < kLayers; ++l) {
      p.u[l] += d.u[l];
      p.v[l] += d.v[l];
    }
  }
}

// A triangle whose corners all lie within the frame's rows, the common case of the
// sections' small triangles, is walked without the clipping tests: (x, u, v) of an
// edge point in one register, each row's ends kept or replaced without branches.
// The arithmetic is lane for lane that of walkEdge.
struct alignas(16) RowEnd {
  float x, u, v, unused;
};
RowEnd gLeftEnd[200], gRightEnd[200];

inline __m128 edgeStart(int x, const int* uv) {
  return _mm_setr_ps(float(x), float(uv[0]), float(uv[1]), 0.0f);
}

// The first edge meets only fresh rows, whose ends it sets.
template <bool kFirst>
inline void walkEdgeInside(int xa, int ya, const int* uva, int xb, int yb, const int* uvb) {
  const int n = yb >= ya ? yb - ya : ya - yb, step = yb >= ya ? 1 : -1;
  __m128 p = edgeStart(xa, uva), d = _mm_setzero_ps();
  if (n != 0) {
    const __m128 delta = _mm_setr_ps(float(int64_t(xb) - int64_t(xa)), float(int64_t(uvb[0]) - int64_t(uva[0])),
                                     float(int64_t(uvb[1]) - int64_t(uva[1])), 0.0f);
    d = _mm_div_ps(delta, _mm_set1_ps(float(n)));
  }
  RowEnd *l = gLeftEnd + ya, *r = gRightEnd + ya;
  if (kFirst) {
    for (int i = 0; i <= n; ++i, l += step, r += step) {
      _mm_store_ps(&l->x, p);
      _mm_store_ps(&r->x, p);
      p = _mm_add_ps(p, d);
    }
    return;
  }
  for (int i = 0; i <= n; ++i, l += step, r += step) {
    const __m128 px = _mm_shuffle_ps(p, p, 0);
    const __m128 lv = _mm_load_ps(&l->x), rv = _mm_load_ps(&r->x);
    const __m128 further = _mm_cmplt_ps(px, _mm_shuffle_ps(lv, lv, 0));
    const __m128 wider = _mm_cmpgt_ps(px, _mm_shuffle_ps(rv, rv, 0));
    _mm_store_ps(&l->x, _mm_or_ps(_mm_and_ps(further, p), _mm_andnot_ps(further, lv)));
    _mm_store_ps(&r->x, _mm_or_ps(_mm_and_ps(wider, p), _mm_andnot_ps(wider, rv)));
    p = _mm_add_ps(p, d);
  }
}

void drawTriangleInside(int x1, int y1, int x2, int y2, int x3, int y3, const int* uv, uint32_t* dst,
                        const uint32_t* texture, int ymin, int ymax) {
  // The rows the first edge misses start empty, with whole-record stores, so that the
  // walk's loads are forwarded from them. The first edge's own rows take its points
  // outright: where the plain walk would keep the empty end instead (a point at or
  // beyond x = +-1000000), the row is off the frame either way.
  auto clear = [](int y) {
    _mm_store_ps(&gLeftEnd[y].x, _mm_set1_ps(1000000.0f));
    _mm_store_ps(&gRightEnd[y].x, _mm_set1_ps(-1000000.0f));
  };
  for (int y = ymin; y < std::min(y1, y2); ++y) clear(y);
  for (int y = std::max(y1, y2) + 1; y <= ymax; ++y) clear(y);
  walkEdgeInside<true>(x1, y1, uv, x2, y2, uv + 2);
  walkEdgeInside<false>(x1, y1, uv, x3, y3, uv + 4);
  walkEdgeInside<false>(x2, y2, uv + 2, x3, y3, uv + 4);
  int count = 0;
  for (int y = ymin; y <= ymax; ++y) {
    const __m128 l = _mm_load_ps(&gLeftEnd[y].x), r = _mm_load_ps(&gRightEnd[y].x);
    int64_t xl = _mm_cvtss_si64(l), xr = _mm_cvtss_si64(r);
    if (xl >= xr) continue;  // empty, or a single pixel
    if (xl > 319 || xr < 0) continue;
    Span& s = gSpans[count++];
    alignas(16) float step[4];
    _mm_store_ps(step, _mm_div_ps(_mm_sub_ps(r, l), _mm_set1_ps(float(xr - xl))));
    s.du = step[1];
    s.dv = step[2];
    s.u = gLeftEnd[y].u;
    s.v = gLeftEnd[y].v;
    clipSpanToFrame(s, xl, xr);
    s.row = dst + y * 320;
    s.texture = texture;
  }
  drawSpansOnPath(count);
}

// uv holds u1, v1, u2, v2, u3, v3 of each layer in turn.
template <int kLayers>
void drawTriangleLayers(int x1, int y1, int x2, int y2, int x3, int y3, const int (*uv)[6], uint32_t* const* dst,
                        const uint32_t* const* texture) {
  int ymin = y1 < y2 ? y1 : y2;
  if (y3 < ymin) ymin = y3;
  if (ymin < 0) ymin = 0;
  if (ymin > 199) return;
  int ymax = y1 > y2 ? y1 : y2;
  if (y3 > ymax) ymax = y3;
  if (ymax > 199) ymax = 199;
  if (ymax < 0) return;
  if (kLayers == 1 && std::min({y1, y2, y3}) >= 0 && std::max({y1, y2, y3}) <= 199)
    return drawTriangleInside(x1, y1, x2, y2, x3, y3, uv[0], dst[0], texture[0], ymin, ymax);
  for (int y = ymin; y <= ymax; ++y) {
    gLeft[y].x = 1000000.0f;
    gRight[y].x = -1000000.0f;
  }
  // Corner c's coordinates of every layer, side by side.
  int corner[3][2 * kLayers];
  for (int c = 0; c < 3; ++c)
    for (int l = 0; l < kLayers; ++l) {
      corner[c][2 * l] = uv[l][2 * c];
      corner[c][2 * l + 1] = uv[l][2 * c + 1];
    }
  walkEdge<kLayers>(x1, y1, corner[0], x2, y2, corner[1]);
  walkEdge<kLayers>(x1, y1, corner[0], x3, y3, corner[2]);
  walkEdge<kLayers>(x2, y2, corner[1], x3, y3, corner[2]);
  int count = 0;
  for (int y = ymin; y <= ymax; ++y) {
    const EdgePoint<2> &l = gLeft[y], &r = gRight[y];
    int64_t xl = _mm_cvtss_si64(_mm_set_ss(l.x)), xr = _mm_cvtss_si64(_mm_set_ss(r.x));
    if (xl >= xr) continue;  // empty, or a single pixel
    if (xl > 319 || xr < 0) continue;
    for (int layer = 0; layer < kLayers; ++layer) {
      Span& s = gSpans[count++];
      s.du = (r.u[layer] - l.u[layer]) / float(xr - xl);
      s.dv = (r.v[layer] - l.v[layer]) / float(xr - xl);
      s.u = l.u[layer];
      s.v = l.v[layer];
      clipSpanToFrame(s, xl, xr);
      s.row = dst[layer] + y * 320;
      s.texture = texture[layer];
    }
  }
  drawSpansOnPath(count);
}
}  // namespace

void drawTexturedTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int u1, int v1, int u2, int v2, int u3,
                          int v3, uint32_t* dst, const uint32_t* texture) {
  const int uv[1][6] = {{u1, v1, u2, v2, u3, v3}};
  drawTriangleLayers<1>(x1, y1, x2, y2, x3, y3, uv, &dst, &texture);
}

void drawTexturedTrianglePair(int x1, int y1, int x2, int y2, int x3, int y3, const int uvA[6], uint32_t* dstA,
                              const uint32_t* textureA, const int uvB[6], uint32_t* dstB,
                              const uint32_t* textureB) {
  const int uv[2][6] = {{uvA[0], uvA[1], uvA[2], uvA[3], uvA[4], uvA[5]},
                        {uvB[0], uvB[1], uvB[2], uvB[3], uvB[4], uvB[5]}};
  uint32_t* const dst[2] = {dstA, dstB};
  const uint32_t* const texture[2] = {textureA, textureB};
  drawTriangleLayers<2>(x1, y1, x2, y2, x3, y3, uv, dst, texture);
}

namespace ref {
namespace {
struct SpanEnd {
  float x, u, v;
};
// Per-row span ends of the triangle being filled (module state: nothing is
// allocated per triangle).
SpanEnd gLeft[200], gRight[200];

// Steps further than this are taken by one multiplication instead of repeated
// addition, so far-off vertices cost nothing.
constexpr int kExactSkip = 1024;

void walkEdge(int xa, int ya, int ua, int va, int xb, int yb, int ub, int vb) {
  int64_t n = std::llabs(int64_t(yb) - int64_t(ya));
  int step = yb >= ya ? 1 : -1;
  float dx = 0.0f, du = 0.0f, dv = 0.0f;
  if (n != 0) {
    dx = float(int64_t(xb) - int64_t(xa)) / float(n);
    du = float(int64_t(ub) - int64_t(ua)) / float(n);
    dv = float(int64_t(vb) - int64_t(va)) / float(n);
  }
  float x = float(xa), u = float(ua), v = float(va);
  // Rows before the frame are stepped over; rows after it end the walk.
  int64_t first = step > 0 ? -int64_t(ya) : int64_t(ya) - 199;
  int64_t i = 0;
  if (first > 0) {
    if (first > n) return;
    if (first > kExactSkip) {
      x += dx * float(first);
      u += du * float(first);
      v += dv * float(first);
      i = first;
    }
  }
  int64_t y = int64_t(ya) + step * i;
  for (; i <= n; ++i, y += step) {
    if (y >= 0 && y <= 199) {
      SpanEnd &l = gLeft[y], &r = gRight[y];
      if (x < l.x) l = {x, u, v};
      if (x > r.x) r = {x, u, v};
    } else if (step > 0 ? y > 199 : y < 0) {
      break;  // past the frame: nothing further is visible
    }
    x += dx;
    u += du;
    v += dv;
  }
}
}  // namespace

void drawTexturedTriangle(int x1, int y1, int x2, int y2, int x3, int y3, int u1, int v1, int u2, int v2, int u3,
                          int v3, uint32_t* dst, const uint32_t* texture) {
  int ymin = y1 < y2 ? y1 : y2;
  if (y3 < ymin) ymin = y3;
  if (ymin < 0) ymin = 0;
  if (ymin > 199) return;
  int ymax = y1 > y2 ? y1 : y2;
  if (y3 > ymax) ymax = y3;
  if (ymax > 199) ymax = 199;
  if (ymax < 0) return;
  for (int y = ymin; y <= ymax; ++y) {
    gLeft[y] = {1000000.0f, 0.0f, 0.0f};
    gRight[y] = {-1000000.0f, 0.0f, 0.0f};
  }
  walkEdge(x1, y1, u1, v1, x2, y2, u2, v2);
  walkEdge(x1, y1, u1, v1, x3, y3, u3, v3);
  walkEdge(x2, y2, u2, v2, x3, y3, u3, v3);
  for (int y = ymin; y <= ymax; ++y) {
    const SpanEnd &l = gLeft[y], &r = gRight[y];
    int64_t xl = _mm_cvtss_si64(_mm_set_ss(l.x)), xr = _mm_cvtss_si64(_mm_set_ss(r.x));
    if (xl >= xr) continue;  // empty, or a single pixel
    float du = (r.u - l.u) / float(xr - xl), dv = (r.v - l.v) / float(xr - xl);
    float u = l.u, v = l.v;
    if (xl > 319 || xr < 0) continue;
    // Spans are clipped to the frame's columns.
    int64_t x = xl;
    if (x < 0) {
      int64_t skip = -x;
      if (skip > kExactSkip) {
        u += du * float(skip);
        v += dv * float(skip);
      } else {
        for (int64_t s = 0; s < skip; ++s) {
          u += du;
          v += dv;
        }
      }
      x = 0;
    }
    int64_t xe = xr > 319 ? 319 : xr;
    uint32_t* row = dst + y * 320;
    for (; x <= xe; ++x) {
      row[x] = texture[((roundEven(v) & 255) << 8) | (roundEven(u) & 255)];
      u += du;
      v += dv;
    }
  }
}
}  // namespace ref
