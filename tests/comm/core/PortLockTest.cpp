// The lock a port is opened under, on a pseudo-terminal (a character
// device of the test's own) and a lock folder of the test's own.
#include "comm/core/PortLock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;

class PortLockTest : public ::testing::Test {
protected:
    void SetUp() override {
        Master = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(Master, 0);
        ASSERT_EQ(::grantpt(Master), 0);
        ASSERT_EQ(::unlockpt(Master), 0);
        Device = ::ptsname(Master);
        struct stat info {};
        ASSERT_EQ(::stat(Device.c_str(), &info), 0);
        Identity = IdentityLockFileName(::major(info.st_rdev), ::minor(info.st_rdev));
        Folder = fs::temp_directory_path() /
                 ("wayline-portlock-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(Folder);
        // As /run/lock: anybody may make files, only their owner remove them.
        ASSERT_EQ(::chmod(Folder.c_str(), 01777), 0);
    }
    void TearDown() override {
        fs::remove_all(Folder);
        if (Master >= 0) {
            ::close(Master);
        }
    }

    std::string File(const std::string& name) const { return (Folder / name).string(); }
    void WriteLock(const std::string& name, int pid) const {
        std::ofstream(File(name)) << std::string(10 - std::to_string(pid).size(), ' ') << pid
                                  << '\n';
    }
    static std::string Read(const std::string& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The id of a process that has ended.
    static int EndedPid() {
        const pid_t child = ::fork();
        if (child == 0) {
            ::_exit(0);
        }
        ::waitpid(child, nullptr, 0);
        return static_cast<int>(child);
    }

    int Master = -1;
    std::string Device;
    std::string Identity;
    fs::path Folder;
};

TEST(PortLockNamesTest, TheNamesOfADevicesLockFiles) {
    EXPECT_EQ(NameLockFileName("/dev/ttyUSB0"), "LCK..ttyUSB0");
    EXPECT_EQ(NameLockFileName("/dev/pts/5"), "LCK..pts_5");
    EXPECT_EQ(IdentityLockFileName(188, 0), "LCK.dev.188.0");
    EXPECT_EQ(DevicePathOf("ttyS0"), "/dev/ttyS0");
    EXPECT_EQ(DevicePathOf("pts/0"), "/dev/pts/0");
    EXPECT_EQ(DevicePathOf("/dev/serial/by-id/usb-x"), "/dev/serial/by-id/usb-x");
}

TEST_F(PortLockTest, TheDeviceIsLockedByItsNumberUntilReleased) {
    TPortLock lock({Folder.string()});
    EXPECT_EQ(lock.Acquire(Device).Code, OpenErrorNone);
    EXPECT_EQ(lock.HeldFile(), File(Identity));
    EXPECT_EQ(LockFilePid(Read(File(Identity))), ::getpid());

    TPortLock again({Folder.string()});
    const TOpenFailure taken = again.Acquire(Device);
    EXPECT_EQ(taken.Code, OpenErrorInUse); // by this very program
    EXPECT_EQ(taken.HolderPid, 0);

    lock.Release();
    EXPECT_FALSE(fs::exists(File(Identity)));
    EXPECT_EQ(again.Acquire(Device).Code, OpenErrorNone);
}

// Whatever name reaches the device (a link; a second device node is the
// same to the lock) it has one lock, by its number.
TEST_F(PortLockTest, AnotherNameOfTheDeviceIsTheSameLock) {
    TPortLock lock({Folder.string()});
    ASSERT_EQ(lock.Acquire(Device).Code, OpenErrorNone);
    const fs::path link = Folder / "robot";
    fs::create_symlink(Device, link);
    TPortLock other({Folder.string()});
    EXPECT_EQ(other.Acquire(link.string()).Code, OpenErrorInUse);
    lock.Release();
    EXPECT_EQ(other.Acquire(link.string()).Code, OpenErrorNone);
    EXPECT_EQ(other.HeldFile(), File(Identity));
}

TEST_F(PortLockTest, ALockOfARunningProgramNamesItByItsNameLockAndByItsNumber) {
    int hold[2];
    ASSERT_EQ(::pipe(hold), 0);
    const pid_t other = ::fork();
    if (other == 0) {
        ::close(hold[1]); // else its own copy keeps the pipe open for ever
        char c;
        const ssize_t n = ::read(hold[0], &c, 1); // until the test lets it go
        ::_exit(n < 0 ? 1 : 0);
    }
    ::close(hold[0]);
    for (const std::string& name : {NameLockFileName(Device), Identity}) {
        WriteLock(name, other);
        TPortLock lock({Folder.string()});
        const TOpenFailure failure = lock.Acquire(Device);
        EXPECT_EQ(failure.Code, OpenErrorInUse) << name;
        EXPECT_EQ(failure.HolderPid, other) << name;
        EXPECT_FALSE(failure.HolderName.empty()) << name;
        EXPECT_TRUE(fs::exists(File(name))); // not touched
        fs::remove(File(name));
    }
    ::close(hold[1]);
    ::waitpid(other, nullptr, 0);
}

TEST_F(PortLockTest, LocksOfAnEndedProgramAreTakenOver) {
    const int ended = EndedPid();
    WriteLock(NameLockFileName(Device), ended);
    WriteLock(Identity, ended);
    TPortLock lock({Folder.string()});
    EXPECT_EQ(lock.Acquire(Device).Code, OpenErrorNone);
    EXPECT_FALSE(fs::exists(File(NameLockFileName(Device))));
    EXPECT_EQ(LockFilePid(Read(File(Identity))), ::getpid());
}

// Another user's stale lock in the sticky folder cannot be removed: the
// port is refused naming the file, its owner and the ended process.
TEST_F(PortLockTest, AnotherUsersStaleLockIsNamedWhenItCannotBeRemoved) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to act as a second user";
    }
    const int ended = EndedPid();
    WriteLock(NameLockFileName(Device), ended); // root's file
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t pupil = ::fork();
    if (pupil == 0) {
        ::close(report[0]);
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(100);
        }
        TPortLock lock({Folder.string()});
        const TOpenFailure failure = lock.Acquire(Device);
        const std::string text = std::to_string(failure.Code) + " " +
                                 std::to_string(failure.LockOwner) + " " +
                                 std::to_string(failure.LockPid) + " " + failure.LockFiles;
        const ssize_t n = ::write(report[1], text.data(), text.size());
        ::_exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(report[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(report[0]);
    int status = 0;
    ::waitpid(pupil, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(text, std::to_string(OpenErrorStaleLock) + " 0 " + std::to_string(ended) + " " +
                        File(NameLockFileName(Device)));
    EXPECT_TRUE(fs::exists(File(NameLockFileName(Device))));
    EXPECT_FALSE(fs::exists(File(Identity))); // nothing taken
}

} // namespace
} // namespace wayline
