#pragma once

// The row-control test classes share one executable; each file registers
// its class here and the runner executes them in turn.

#include <QObject>

#include <functional>
#include <vector>

namespace wayline::test {

using TTestFactory = std::function<QObject*()>;

std::vector<TTestFactory>& RowControlTestClasses();

struct TRegisterTest {
    explicit TRegisterTest(TTestFactory factory) {
        RowControlTestClasses().push_back(std::move(factory));
    }
};

} // namespace wayline::test

#define WAYLINE_ROW_CONTROL_TEST(Class)                                                            \
    static const ::wayline::test::TRegisterTest Register##Class{[] { return new Class; }};
