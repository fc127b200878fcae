// Saving must change the file's content and nothing else about it: a link
// stays a link, the file keeps its permissions, group and hard links, and a
// folder where the user may write the file but not create one still takes
// the save. Nothing of the old content is lost on a failure.
#include "codegen/core/ActionListFile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace wayline {
namespace {

namespace fs = std::filesystem;

constexpr uid_t NobodyId = 65534;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

struct stat StatOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info;
}

// Root ignores the very permissions these cases are about; as root the
// save runs in a child process that has become an ordinary user. Returns
// what `body` returns, or -1 when the child could not run it.
int AsOrdinaryUser(const std::function<int()>& body) {
    if (::geteuid() != 0) {
        return body();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0) {
            ::_exit(99);
        }
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

class ActionListSave : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = fs::temp_directory_path() /
                 ("wayline-save-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        RemoveFolder();
        fs::create_directories(Folder);
        // An ordinary user must be able to reach the cases' folders.
        fs::permissions(Folder, fs::perms::all);
        InitialiseDocument(*State);
        State->Step(MainList, 1) = {akMoveForward, 12, 0, 0, 0};
        State->SetStepCount(MainList, 1);
        State->ListModified = true;
    }
    void TearDown() override { RemoveFolder(); }

    void RemoveFolder() {
        std::error_code ignored;
        if (fs::exists(Folder, ignored)) {
            for (const auto& entry : fs::recursive_directory_iterator(Folder, ignored)) {
                if (entry.is_directory(ignored) && !entry.is_symlink(ignored)) {
                    fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add,
                                    ignored);
                }
            }
            fs::permissions(Folder, fs::perms::owner_all, fs::perm_options::add, ignored);
        }
        fs::remove_all(Folder, ignored);
    }

    // The saved record, as SaveActionListFile writes it.
    std::string Record() {
        const auto image = ActionListImage(*State);
        return {image.begin(), image.end()};
    }

    // Saves as an ordinary user: 0 saved, 1 refused with a message.
    int SaveAsOrdinaryUser(const fs::path& path) {
        return AsOrdinaryUser([&] {
            const TSaveResult saved = SaveActionListFile(path, *State);
            return saved.Saved ? 0 : saved.Error.empty() ? 2 : 1;
        });
    }

    fs::path Folder;
    std::unique_ptr<TDocumentState> State = std::make_unique<TDocumentState>();
};

TEST_F(ActionListSave, ThroughLinksTheRealFileIsWrittenAndTheLinksStay) {
    fs::create_directories(Folder / "lists");
    fs::create_directories(Folder / "desk");
    const fs::path real = Folder / "lists" / "square.wyl";
    WriteAll(real, "old");
    // A relative link to a link: both must stay as they are.
    fs::create_symlink("../lists/square.wyl", Folder / "desk" / "inner.wyl");
    fs::create_symlink("inner.wyl", Folder / "desk" / "square.wyl");

    const TSaveResult saved = SaveActionListFile(Folder / "desk" / "square.wyl", *State);
    ASSERT_TRUE(saved.Saved) << saved.Error;
    EXPECT_FALSE(State->ListModified);
    EXPECT_TRUE(fs::is_symlink(Folder / "desk" / "square.wyl"));
    EXPECT_EQ(fs::read_symlink(Folder / "desk" / "square.wyl"), "inner.wyl");
    EXPECT_TRUE(fs::is_symlink(Folder / "desk" / "inner.wyl"));
    EXPECT_EQ(ReadAll(real), Record());
    // No temporary file is left behind in either folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder / "lists"), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(Folder / "desk"), fs::directory_iterator()), 2);

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("lists/new.wyl", Folder / "new.wyl");
    ASSERT_TRUE(SaveActionListFile(Folder / "new.wyl", *State).Saved);
    EXPECT_TRUE(fs::is_symlink(Folder / "new.wyl"));
    EXPECT_EQ(ReadAll(Folder / "lists" / "new.wyl"), Record());

    // Links in a loop name no file: refused, and every link stays.
    fs::create_symlink("loop b.wyl", Folder / "loop a.wyl");
    fs::create_symlink("loop a.wyl", Folder / "loop b.wyl");
    const TSaveResult loop = SaveActionListFile(Folder / "loop a.wyl", *State);
    EXPECT_FALSE(loop.Saved);
    EXPECT_EQ(loop.Error, "Can not save " + (Folder / "loop a.wyl").string() +
                              ": Too many levels of symbolic links");
    EXPECT_TRUE(fs::is_symlink(Folder / "loop a.wyl"));
    EXPECT_TRUE(fs::is_symlink(Folder / "loop b.wyl"));
}

TEST_F(ActionListSave, PermissionsGroupAndHardLinksAreKept) {
    const fs::path file = Folder / "shared.wyl";
    WriteAll(file, "old");
    ::chmod(file.c_str(), 0640);
    // A group other than the user's own, where the user may hand one out.
    gid_t group = ::getegid();
    if (::geteuid() == 0) {
        group = 4242;
    } else {
        gid_t groups[64];
        const int count = ::getgroups(64, groups);
        for (int i = 0; i < count; ++i) {
            if (groups[i] != ::getegid()) {
                group = groups[i];
            }
        }
    }
    ASSERT_EQ(::chown(file.c_str(), static_cast<uid_t>(-1), group), 0);

    ASSERT_TRUE(SaveActionListFile(file, *State).Saved);
    const struct stat after = StatOf(file);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_gid, group);
    EXPECT_EQ(ReadAll(file), Record());

    // A second name of the same file sees the new content too.
    fs::create_hard_link(file, Folder / "second name.wyl");
    State->Step(MainList, 1).Value = 99;
    ASSERT_TRUE(SaveActionListFile(file, *State).Saved);
    EXPECT_EQ(ReadAll(Folder / "second name.wyl"), Record());
    EXPECT_EQ(StatOf(Folder / "second name.wyl").st_ino, StatOf(file).st_ino);
}

// A class folder the pupils cannot create files in, holding a list they
// may change: the save writes into the file itself.
TEST_F(ActionListSave, FolderWithoutRoomForANewFileTakesTheSaveInPlace) {
    const fs::path folder = Folder / "class";
    fs::create_directories(folder);
    const fs::path file = folder / "maze.wyl";
    WriteAll(file, std::string(12000, 'x')); // longer than a record
    ::chmod(file.c_str(), 0666);
    ::chmod(folder.c_str(), 0555);
    const ino_t inode = StatOf(file).st_ino;

    ASSERT_EQ(SaveAsOrdinaryUser(file), 0);
    EXPECT_EQ(ReadAll(file), Record()); // the old tail is cut off
    EXPECT_EQ(StatOf(file).st_ino, inode);
    EXPECT_EQ(StatOf(file).st_mode & 07777, 0666u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// A shared folder with the sticky bit: anyone may create files, but only a
// file's owner may replace it. Someone else's writable list is written in
// place, and keeps its owner.
TEST_F(ActionListSave, SomeoneElsesFileInAStickyFolderIsWrittenInPlace) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a file owned by another user";
    }
    const fs::path folder = Folder / "shared";
    fs::create_directories(folder);
    ::chmod(folder.c_str(), 01777);
    const fs::path file = folder / "teacher.wyl";
    WriteAll(file, "old");
    ::chmod(file.c_str(), 0666);

    ASSERT_EQ(SaveAsOrdinaryUser(file), 0);
    EXPECT_EQ(ReadAll(file), Record());
    EXPECT_EQ(StatOf(file).st_uid, 0u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(ActionListSave, AFailedSaveKeepsTheOldContent) {
    const fs::path folder = Folder / "locked";
    fs::create_directories(folder);
    const fs::path file = folder / "mine.wyl";
    WriteAll(file, "old content");
    ::chmod(file.c_str(), 0444);
    ::chmod(folder.c_str(), 0555);

    EXPECT_EQ(SaveAsOrdinaryUser(file), 1);
    EXPECT_EQ(ReadAll(file), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    // A file protected against writing stays so, even in a folder where
    // it could be replaced by a new one.
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(SaveAsOrdinaryUser(file), 1);
    EXPECT_EQ(ReadAll(file), "old content");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

} // namespace
} // namespace wayline
