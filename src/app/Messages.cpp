#include "app/Messages.h"

#include "uikit/Resources.h"
#include "codegen/core/ActionListFile.h"
#include "codegen/core/BuildCode.h"
#include "codegen/core/MemoryUse.h"

#include <system_error>

namespace wayline {

namespace {

constexpr int FirstSetNameText = 406; // "All", then "Set1".."Set4"
constexpr int NotProperText = 913;
constexpr int AdvancedFileText = 914;
constexpr int WrongVersionText = 915;
constexpr int CannotOpenText = 916;
constexpr int CannotSaveText = 917;
constexpr int StepsTooManyText = 918;
constexpr int OneStepTooManyText = 919;
constexpr int EepromStartText = 921;
constexpr int LoopBackTooFarText = 927;

QString Fill(QString text, const QString& key, const QString& value) {
    return text.replace(u'{' + key + u'}', value);
}

QString Version(int version) {
    return QString::number(version >> 4) + u'.' + QString::number(version & 15);
}

// The system's own words for an error number, as the C library gives them.
QString SystemReason(int error) {
    return QString::fromStdString(std::system_category().message(error));
}

} // namespace

QString BuildErrorText(const TBuildCodeResult& built, const TResources& resources) {
    switch (built.Error) {
    case bcNoDataLine:
        return resources.LoadText(EepromStartText);
    case bcLoopBackTooFar: {
        // "3" in the main list, "3 (Set1)" in a sensor set.
        QString step = QString::number(built.ErrorStep);
        if (built.ErrorList >= 2 && built.ErrorList <= ListCount) {
            step += QStringLiteral(" (") +
                    resources.LoadText(FirstSetNameText + built.ErrorList - 2) + u')';
        }
        QString text = Fill(resources.LoadText(LoopBackTooFarText), QStringLiteral("step"), step);
        text = Fill(text, QStringLiteral("entries"), QString::number(built.ErrorEntries));
        return Fill(text, QStringLiteral("most"), QString::number(MaxLoopBackEntries));
    }
    default:
        return QString::fromStdString(built.ErrorText);
    }
}

QString LoadErrorText(const TLoadResult& loaded, const QString& file, const TResources& resources) {
    switch (loaded.Refusal) {
    case TLoadRefusal::lrNotProper:
        return resources.LoadText(NotProperText);
    case TLoadRefusal::lrAdvancedFile:
        return resources.LoadText(AdvancedFileText);
    case TLoadRefusal::lrWrongVersion:
        return Fill(Fill(resources.LoadText(WrongVersionText), QStringLiteral("found"),
                         Version(loaded.FoundVersion)),
                    QStringLiteral("expected"), Version(ActionListFormatVersion));
    case TLoadRefusal::lrUnreadable:
        return Fill(Fill(resources.LoadText(CannotOpenText), QStringLiteral("file"), file),
                    QStringLiteral("reason"), SystemReason(loaded.SystemError));
    case TLoadRefusal::lrNone:
        break;
    }
    return QString::fromStdString(loaded.Message);
}

QString SaveErrorText(const TSaveResult& saved, const QString& file, const TResources& resources) {
    return Fill(Fill(resources.LoadText(CannotSaveText), QStringLiteral("file"), file),
                QStringLiteral("reason"), SystemReason(saved.SystemError));
}

QString ListsTooLargeText(const TMemoryUse& use, const TResources& resources) {
    const int steps = use.StepsToRemove();
    if (steps <= 1) {
        return resources.LoadText(OneStepTooManyText);
    }
    // Two steps or more: at least three bytes, so both counts are plural.
    return Fill(Fill(resources.LoadText(StepsTooManyText), QStringLiteral("bytes"),
                     QString::number(use.ExcessBytes())),
                QStringLiteral("steps"), QString::number(steps));
}

} // namespace wayline
