// The inner loops of the engine, one picture row at a time, over raw pixel and depth
// rows. Each picks a vector version at run time where the processor has one; every
// version gives the same result, bit for bit.
#pragma once

#include <cstdint>

namespace render::kernels {

// The widest vector versions allowed to run: plain loops only, up to AVX2, or up to
// AVX-512 (the default). A version runs only where the processor has it too. The tests
// lower the level to check each narrower version against the same cases.
enum class VectorLevel { Plain, Avx2, Avx512 };
void useVectorLevel(VectorLevel level);

// Whether the processor has the instructions of `level` (Plain: always).
bool processorHas(VectorLevel level);

// Whether the AVX-512 (AVX512F) versions are allowed and the processor has them: other
// parts of the engine pick their own wide versions by it.
bool wideVectorPaths();

// Widens [maximum, minimum] by the blue bytes of row[from .. to].
void blueRange(const uint32_t* row, int from, int to, int& maximum, int& minimum);

// out[x] = depthOf[blue byte of row[x]] for x = 0 .. count - 1.
void mapBlue(const uint32_t* row, int count, const int32_t* depthOf, int32_t* out);

// For x = from .. to: out[x] = k1, k2 or k3 where row[x] has exactly the colour code1,
// code2 or code3 (alpha byte ignored); out[x] is kept otherwise.
void textDepths(const uint32_t* row, int from, int to, const uint32_t codes[3], const int32_t depths[3], int32_t* out);

// Marks where the depth changes along a row: bit x % 64 of steps[x / 64] is set for
// x = 0 and for every x = 1 .. count - 1 where depth[x] differs from depth[x - 1];
// every other bit of the words covering 0 .. count - 1 is cleared.
void depthSteps(const int32_t* depth, int count, uint64_t* steps);

// The two in-place passes over one 1920-pixel row, with the depths of working-area
// columns 0 .. 1599. Left: x = 700 down to 0, row[x] = row[x + 320 - d]; right:
// x = 690 up to 1599, row[x + 320] = row[x + d]; a source outside the columns already
// written in the row is replaced by the nearest written one.
// `nextRow` and `nextDepth`, when given, are the rows composed next: they are fetched
// into the cache meanwhile.
void leftPass(
    uint32_t* row, const int32_t* depth, const uint32_t* nextRow = nullptr, const int32_t* nextDepth = nullptr);
void rightPass(
    uint32_t* row, const int32_t* depth, const uint32_t* nextRow = nullptr, const int32_t* nextDepth = nullptr);

} // namespace render::kernels
