// The readers of the system files the connection diagnosis looks at: the
// group and passwd files, /proc/<pid>/status, udev database entries, lock
// files, ACLs and braille daemon rules. Any bytes must be read without a
// crash, a hang or undefined behaviour.

#include "doctor/core/FileAccess.h"
#include "doctor/core/SystemFiles.h"
#include "doctor/core/SystemSurvey.h"
#include "doctor/core/UsbAdapters.h"
#include "doctor/core/UserIdentity.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    using namespace wayline;

    const std::vector<TGroupEntry> groups = ParseGroupFile(text);
    (void)FindPasswdEntry(text, groups.empty() ? 1000 : groups.front().Gid);
    const std::optional<TProcessStatus> status = ParseProcessStatus(text);
    (void)UdevProperty(text, "ID_MM_DEVICE_IGNORE");
    (void)LockFilePid(text);
    (void)ParseSmallNumber(text);

    TUserIdentity user;
    if (status) {
        user.Uid = status->Uid;
        user.Gid = status->Gid;
        user.Groups = status->Groups;
    }
    (void)CheckDeviceAccess(TFileStatus{0, 20, 0660}, std::string(text), user);
    (void)RulesClaimAdapter({std::string(text)}, KnownUsbAdapters().front());
    return 0;
}
