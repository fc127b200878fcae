// Who may open a port and what helps, and what a port's row says when the
// cause is known: on computers laid out as files.
#include "doctor/core/PortAdvice.h"

#include "doctor/core/FileAccess.h"
#include "doctor/core/SystemRoot.h"

#include "FakeSystem.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <cstring>

namespace wayline {
namespace {

using testing::PupilUid;
using testing::TFakeSystem;

class PortAdviceTest : public ::testing::Test {
protected:
    TFakeSystem Sys;
    std::uint32_t DeviceGid = Sys.FileGid();
    std::uint32_t PupilGid = DeviceGid == 1000 ? 1001 : 1000;
    TUserIdentity Pupil{PupilUid(), PupilGid, "pupil", {PupilGid}, 4000};

    void SetUp() override {
        Sys.AddBuiltinPort("ttyS0", "4");
        Sys.AddPasswd("keeper", Sys.FileUid(), 0);
        Sys.AddPasswd("pupil", PupilUid(), PupilGid);
    }

    TAccessAdvice Advice(const std::string& groupName, unsigned mode,
                         const std::string& groupMembers = "") {
        Sys.AddGroup(groupName, DeviceGid, groupMembers);
        Sys.Chmod("/dev/ttyS0", mode);
        const TSystemRoot root(Sys.Root());
        return AdviseDeviceAccess(root, "/dev/ttyS0", Pupil,
                                  ParseGroupFile(root.ReadFile("/etc/group").value_or("")), false);
    }

    // Sets an access list on the device; false where the file system keeps none.
    bool SetAcl(std::initializer_list<TAclEntry> entries) {
        std::string bytes = {2, 0, 0, 0};
        for (const TAclEntry& e : entries) {
            char raw[8];
            std::memcpy(raw, &e.Tag, 2);
            std::memcpy(raw + 2, &e.Permissions, 2);
            std::memcpy(raw + 4, &e.Id, 4);
            bytes.append(raw, 8);
        }
        const std::string path = Sys.Map("/dev/ttyS0").string();
        return ::setxattr(path.c_str(), "system.posix_acl_access", bytes.data(), bytes.size(),
                          0) == 0;
    }
};

// 0660 with the group: joining the group is the way in.
TEST_F(PortAdviceTest, AGroupThatMayReadAndWriteIsTheOneToJoin) {
    const TAccessAdvice advice = Advice("dialout", 0660);
    EXPECT_EQ(advice.Kind, aaJoinGroup);
    EXPECT_EQ(advice.Group, "dialout");
    EXPECT_EQ(advice.Command, "sudo usermod -aG dialout pupil");
    EXPECT_EQ(AccessCellText(advice, TIdentifyTexts{}), "no access; join group dialout");
}

TEST_F(PortAdviceTest, AGroupJoinedAfterLoginAsksToLogInAgain) {
    const TAccessAdvice advice = Advice("dialout", 0660, "pupil");
    EXPECT_EQ(advice.Kind, aaLogInAgain);
    EXPECT_EQ(advice.Command, "");
    EXPECT_EQ(AccessCellText(advice, TIdentifyTexts{}), "no access; log out and in again");
}

// 0600: no group may, so none is advised; the owner is named with the one
// command an administrator types.
TEST_F(PortAdviceTest, ADeviceOnlyItsOwnerMayOpenNamesTheOwnerAndTheAdministratorsCommand) {
    const TAccessAdvice advice = Advice("root", 0600);
    EXPECT_EQ(advice.Kind, aaOwnerOnly);
    EXPECT_EQ(advice.Owners, "keeper");
    EXPECT_EQ(advice.Command, "sudo chown pupil /dev/ttyS0");
    EXPECT_EQ(AccessCellText(advice, TIdentifyTexts{}), "no access; only keeper may open it");

    Sys.Write("/usr/bin/setfacl", "");
    EXPECT_EQ(Advice("root", 0600).Command, "sudo setfacl -m u:pupil:rw /dev/ttyS0");
}

// 0620 root:tty (a terminal): the group may write but not read, so joining
// it would not help.
TEST_F(PortAdviceTest, AGroupThatMayOnlyWriteIsNotAdvised) {
    const TAccessAdvice advice = Advice("tty", 0620);
    EXPECT_EQ(advice.Kind, aaOwnerOnly);
    EXPECT_EQ(advice.Owners, "keeper");
}

// The access list's own groups and users count too, under its mask.
TEST_F(PortAdviceTest, TheAccessListsGroupsAndUsersCount) {
    Sys.AddGroup("plugdev", 46, "");
    // user::rw- group::--- group:plugdev:rw- mask::rw- other::---
    if (!SetAcl({{AclUserObj, 6, 0}, {AclGroupObj, 0, 0}, {AclGroup, 6, 46}, {AclMask, 6, 0},
                 {AclOther, 0, 0}})) {
        GTEST_SKIP() << "the temporary folder's file system keeps no ACLs";
    }
    TAccessAdvice advice = Advice("root", 0660);
    EXPECT_EQ(advice.Kind, aaJoinGroup);
    EXPECT_EQ(advice.Group, "plugdev");

    // A mask without write leaves no group that helps.
    ASSERT_TRUE(SetAcl({{AclUserObj, 6, 0}, {AclUser, 6, 4711}, {AclGroupObj, 6, 0},
                        {AclGroup, 6, 46}, {AclMask, 4, 0}, {AclOther, 0, 0}}));
    advice = Advice("root", 0640);
    EXPECT_EQ(advice.Kind, aaOwnerOnly);
    EXPECT_EQ(advice.Owners, "keeper");

    // The person at the computer, through the desktop's access list entry.
    ASSERT_TRUE(SetAcl({{AclUserObj, 6, 0}, {AclUser, 6, PupilUid()}, {AclGroupObj, 6, 0},
                        {AclMask, 6, 0}, {AclOther, 0, 0}}));
    EXPECT_EQ(Advice("root", 0660).Kind, aaAllowed);
}

// A port whose replies another program takes: no module seems to answer,
// and the row names the program instead.
TEST_F(PortAdviceTest, ASilentPortHeldByAnotherProgramNamesIt) {
    Sys.AddProcess(321, "cutecom", {"/dev/ttyS0"});
    TIdentifyResult silent;
    silent.EchoText = "No";
    ExplainPortRow(TSystemRoot(Sys.Root()), Pupil, "ttyS0", TIdentifyTexts{}, silent);
    EXPECT_EQ(silent.DeviceText, "in use by cutecom (process 321)");
    EXPECT_EQ(silent.HolderPid, 321);

    TIdentifyResult refused;
    refused.OpenError = OpenErrorInUse;
    ExplainPortRow(TSystemRoot(Sys.Root()), Pupil, "/dev/ttyS0", TIdentifyTexts{}, refused);
    EXPECT_EQ(refused.DeviceText, "in use by cutecom (process 321)");

    TIdentifyResult robot;
    robot.DeviceType = 2;
    robot.DeviceText = "Robot";
    ExplainPortRow(TSystemRoot(Sys.Root()), Pupil, "ttyS0", TIdentifyTexts{}, robot);
    EXPECT_EQ(robot.DeviceText, "Robot");
}

TEST_F(PortAdviceTest, APortTheUserMayNotOpenSaysWhatHelps) {
    Sys.AddGroup("dialout", DeviceGid, "");
    TIdentifyResult refused;
    refused.OpenError = OpenErrorPermission;
    ExplainPortRow(TSystemRoot(Sys.Root()), Pupil, "ttyS0", TIdentifyTexts{}, refused);
    EXPECT_EQ(refused.DeviceText, "no access; join group dialout");
}

// Lock files of ended programs: the user's own (or any outside a sticky
// folder) the download takes over; another user's in the sticky folder
// only its owner may remove.
TEST_F(PortAdviceTest, StaleLocksAreFoundWithWhetherTheUserMayRemoveThem) {
    Sys.Write("/run/lock/LCK..ttyS0", "     99999\n");
    Sys.Write("/run/lock/LCK..ttyS1", "     99999\n"); // another port's
    Sys.AddProcess(5555, "minicom");
    Sys.Write("/run/lock/LCK..ttyS2", "5555\n"); // a running program's
    const TSystemRoot root(Sys.Root());
    Sys.Chmod("/run/lock", 0777);
    std::vector<TStaleLock> locks = FindStaleLocks(root, "/dev/ttyS0", Pupil);
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks[0].File, "/run/lock/LCK..ttyS0");
    EXPECT_EQ(locks[0].Pid, 99999);
    EXPECT_EQ(locks[0].OwnerUid, Sys.FileUid());
    EXPECT_TRUE(locks[0].Removable);
    EXPECT_TRUE(FindStaleLocks(root, "/dev/ttyS2", Pupil).empty());

    // A folder only its owner may write in keeps every file of it.
    Sys.Chmod("/run/lock", 0755);
    EXPECT_FALSE(FindStaleLocks(root, "/dev/ttyS0", Pupil)[0].Removable);

    Sys.Chmod("/run/lock", 01777);
    locks = FindStaleLocks(root, "/dev/ttyS0", Pupil);
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_FALSE(locks[0].Removable);
    TUserIdentity owner = Pupil;
    owner.Uid = Sys.FileUid();
    EXPECT_TRUE(FindStaleLocks(root, "/dev/ttyS0", owner)[0].Removable);
}

} // namespace
} // namespace wayline
