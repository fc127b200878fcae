// Runs the test classes of the app folder in one program.
#include <QApplication>
#include <QTest>

#include <memory>
#include <vector>

std::vector<std::unique_ptr<QObject>> MakeResourcesTests();
std::vector<std::unique_ptr<QObject>> MakeSkinImageTests();
std::vector<std::unique_ptr<QObject>> MakeResourceTablesTests();
std::vector<std::unique_ptr<QObject>> MakeLanguageTests();
std::vector<std::unique_ptr<QObject>> MakeTextFitTests();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    for (auto* make : {&MakeResourcesTests, &MakeSkinImageTests, &MakeResourceTablesTests,
                       &MakeLanguageTests, &MakeTextFitTests})
        for (auto& test : make())
            failed += QTest::qExec(test.get(), argc, argv);
    return failed == 0 ? 0 : 1;
}
