// The scan waits in Qt's event loop, so these tests need an application
// object for the whole run.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

namespace {

class TQtEnvironment : public ::testing::Environment {
public:
    void SetUp() override { App = std::make_unique<QCoreApplication>(Argc, Argv); }
    void TearDown() override { App.reset(); }

private:
    int Argc = 1;
    char Name[16] = "comm_scan_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QCoreApplication> App;
};

[[maybe_unused]] ::testing::Environment* const QtEnvironment =
    ::testing::AddGlobalTestEnvironment(new TQtEnvironment);

} // namespace
