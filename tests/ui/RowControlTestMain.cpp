#include "RowControlTests.h"

#include <QApplication>
#include <QTest>

#include <memory>

namespace wayline::test {

std::vector<TTestFactory>& RowControlTestClasses() {
    static std::vector<TTestFactory> classes;
    return classes;
}

} // namespace wayline::test

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failures = 0;
    for (const auto& make : wayline::test::RowControlTestClasses()) {
        std::unique_ptr<QObject> tests(make());
        failures += QTest::qExec(tests.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}
