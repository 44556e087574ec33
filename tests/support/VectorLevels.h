#pragma once

#include "render/RowKernels.h"

#include <QTest>

namespace testing {

// Runs every case of a test at each level of the row kernels' vector versions the processor has: AVX-512 (its own
// wide loops and the AVX2 ones beside them), AVX2 alone, and the plain loops. A test class calls these from its
// initTestCase_data(), init() and cleanupTestCase().
inline void vectorLevelsData()
{
    using render::kernels::VectorLevel;
    QTest::addColumn<int>("level");
    QTest::newRow("avx512") << int(VectorLevel::Avx512);
    QTest::newRow("avx2") << int(VectorLevel::Avx2);
    QTest::newRow("plain") << int(VectorLevel::Plain);
}

inline void useVectorLevel()
{
    QFETCH_GLOBAL(int, level);
    const auto wanted = render::kernels::VectorLevel(level);
    if (!render::kernels::processorHas(wanted)) QSKIP("the processor lacks these instructions");
    render::kernels::useVectorLevel(wanted);
}

inline void restoreVectorLevel()
{
    render::kernels::useVectorLevel(render::kernels::VectorLevel::Avx512);
}

} // namespace testing
