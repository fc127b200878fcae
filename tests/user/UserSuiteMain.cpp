// Runs every suite of the folder in one program, one after the other.

#include "UserDriver.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (!QFile::exists(qEnvironmentVariable("WAYLINE_PROGRAM"))) {
        qCritical("WAYLINE_PROGRAM must name the wayline program");
        return 1;
    }
    // WAYLINE_USER_SUITE_ONLY names the one suite to run (all by default).
    const QString only = qEnvironmentVariable("WAYLINE_USER_SUITE_ONLY");
    int failed = 0;
    for (const wayline::user::TSuiteFactory make : wayline::user::Suites()) {
        const std::unique_ptr<QObject> suite = make();
        if (!only.isEmpty() && only != QLatin1String(suite->metaObject()->className()))
            continue;
        failed += QTest::qExec(suite.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
