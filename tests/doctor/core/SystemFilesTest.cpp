// The readers of the small system files, and the access decision over
// permission bits and ACLs.

#include "doctor/core/SystemFiles.h"
#include "doctor/core/FileAccess.h"
#include "doctor/core/UserIdentity.h"

#include <gtest/gtest.h>

#include <cstring>

namespace wayline {
namespace {

TEST(SystemFilesTest, GroupFileKeepsGoodLinesAndSkipsBadOnes) {
    const std::vector<TGroupEntry> groups = ParseGroupFile("root:x:0:\n"
                                                           "# a comment\n"
                                                           "dialout:x:20:pupil,teacher,\r\n"
                                                           "broken line\n"
                                                           "nogid:x:abc:pupil\n"
                                                           ":x:5:nameless\n"
                                                           "plugdev:x:46:pupil");
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0].Name, "root");
    EXPECT_TRUE(groups[0].Members.empty());
    EXPECT_EQ(groups[1].Name, "dialout");
    EXPECT_EQ(groups[1].Gid, 20u);
    EXPECT_EQ(groups[1].Members, (std::vector<std::string>{"pupil", "teacher"}));
    EXPECT_EQ(groups[2].Gid, 46u);
}

TEST(SystemFilesTest, PasswdAndProcessStatusGiveTheIdentity) {
    const auto entry = FindPasswdEntry("root:x:0:0:root:/root:/bin/bash\n"
                                       "pupil:x:1000:1000:Pupil,,,:/home/pupil:/bin/bash\n",
                                       1000);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->Name, "pupil");
    EXPECT_FALSE(FindPasswdEntry("pupil:x:1000:1000::/:/bin/sh\n", 1001));

    // Real, effective, saved and file-system ids: the effective one counts.
    const auto status = ParseProcessStatus("Name:\twayline\nUid:\t1000\t1001\t1000\t1000\n"
                                           "Gid:\t100\t101\t100\t100\nGroups:\t20 46 1000 \n");
    ASSERT_TRUE(status);
    EXPECT_EQ(status->Uid, 1001u);
    EXPECT_EQ(status->Gid, 101u);
    EXPECT_EQ(status->Groups, (std::vector<std::uint32_t>{20, 46, 1000}));
    EXPECT_FALSE(ParseProcessStatus("Name:\twayline\nGroups:\t20\n"));
    EXPECT_FALSE(ParseProcessStatus("Uid:\t-1\t-1\nGid:\t0\t0\n"));
}

TEST(SystemFilesTest, UdevPropertiesAndLockFiles) {
    const std::string database = "S:serial/by-id/usb-1a86_USB_Serial-if00-port0\n"
                                 "E:ID_MM_DEVICE_IGNORE=1\nE:ID_VENDOR=1a86\nG:uaccess\n";
    EXPECT_EQ(UdevProperty(database, "ID_MM_DEVICE_IGNORE"), "1");
    EXPECT_EQ(UdevProperty(database, "ID_VENDOR"), "1a86");
    EXPECT_FALSE(UdevProperty(database, "ID_MM"));
    EXPECT_FALSE(UdevProperty("E:ID_MM_DEVICE_IGNORE\n", "ID_MM_DEVICE_IGNORE"));

    EXPECT_EQ(LockFilePid("      1234\n"), 1234); // the old ten-column form
    EXPECT_EQ(LockFilePid("5555\nwayline\nhost\n"), 5555);
    EXPECT_EQ(LockFilePid(""), 0);
    EXPECT_EQ(LockFilePid("pid\n"), 0);
    EXPECT_EQ(LockFilePid("99999999999999\n"), 0);
}

class DeviceAccessTest : public ::testing::Test {
protected:
    TUserIdentity Pupil{1000, 1000, "pupil", {20, 1000}, 0};
    TFileStatus Device{0, 20, 0660};

    static std::string Acl(std::initializer_list<TAclEntry> entries) {
        std::string bytes = {2, 0, 0, 0};
        for (const TAclEntry& e : entries) {
            char raw[8];
            std::memcpy(raw, &e.Tag, 2);
            std::memcpy(raw + 2, &e.Permissions, 2);
            std::memcpy(raw + 4, &e.Id, 4);
            bytes.append(raw, 8);
        }
        return bytes;
    }
};

TEST_F(DeviceAccessTest, PermissionBitsOfOwnerGroupAndOthers) {
    EXPECT_TRUE(CheckDeviceAccess(Device, std::nullopt, Pupil).Allowed);
    Pupil.Groups = {1000};
    TDeviceAccess access = CheckDeviceAccess(Device, std::nullopt, Pupil);
    EXPECT_FALSE(access.Allowed);
    EXPECT_TRUE(access.GroupWouldAllow);
    // Read alone is not enough.
    Device.Mode = 0640;
    Pupil.Groups = {20};
    access = CheckDeviceAccess(Device, std::nullopt, Pupil);
    EXPECT_FALSE(access.Allowed);
    EXPECT_FALSE(access.GroupWouldAllow);
    Device.Mode = 0606;
    Pupil.Groups = {};
    EXPECT_TRUE(CheckDeviceAccess(Device, std::nullopt, Pupil).Allowed);
    // The owner's bits apply to the owner even when the others' would allow.
    Device = {1000, 20, 0066};
    EXPECT_FALSE(CheckDeviceAccess(Device, std::nullopt, Pupil).Allowed);
}

TEST_F(DeviceAccessTest, AclEntryForTheUserLimitedByTheMask) {
    Pupil.Groups = {};
    const std::string uaccess = Acl({{AclUserObj, 6, 0},
                                     {AclUser, 6, 1000},
                                     {AclGroupObj, 6, 0},
                                     {AclMask, 6, 0},
                                     {AclOther, 0, 0}});
    EXPECT_TRUE(CheckDeviceAccess(Device, uaccess, Pupil).Allowed);

    const std::string masked = Acl({{AclUserObj, 6, 0},
                                    {AclUser, 6, 1000},
                                    {AclGroupObj, 6, 0},
                                    {AclMask, 4, 0},
                                    {AclOther, 6, 0}});
    const TDeviceAccess access = CheckDeviceAccess(Device, masked, Pupil);
    EXPECT_FALSE(access.Allowed); // a named entry never falls through to others
    EXPECT_FALSE(access.GroupWouldAllow);

    // A named group that grants; a matching group that does not, blocks others.
    const std::string named = Acl({{AclUserObj, 6, 0},
                                   {AclGroupObj, 0, 0},
                                   {AclGroup, 6, 46},
                                   {AclMask, 6, 0},
                                   {AclOther, 6, 0}});
    Pupil.Groups = {46};
    EXPECT_TRUE(CheckDeviceAccess(Device, named, Pupil).Allowed);
    Pupil.Groups = {20};
    EXPECT_FALSE(CheckDeviceAccess(Device, named, Pupil).Allowed);
    Pupil.Groups = {};
    EXPECT_TRUE(CheckDeviceAccess(Device, named, Pupil).Allowed);
}

TEST_F(DeviceAccessTest, MalformedAclFallsBackToTheBits) {
    EXPECT_FALSE(ParseAccessAcl(""));
    EXPECT_FALSE(ParseAccessAcl(std::string("\x01\0\0\0", 4)));
    EXPECT_FALSE(ParseAccessAcl(std::string("\x02\0\0\0\x01\0\x06", 7)));
    EXPECT_TRUE(CheckDeviceAccess(Device, std::string("junk"), Pupil).Allowed);
    Pupil.Uid = 0;
    Pupil.Groups = {};
    Device.Mode = 0;
    EXPECT_TRUE(CheckDeviceAccess(Device, std::nullopt, Pupil).Allowed);
}

} // namespace
} // namespace wayline
