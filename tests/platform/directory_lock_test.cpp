#include "platform/directory_lock.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <utility>

#include "platform/paths.h"
#include "test_support.h"

namespace zentrova {
namespace {

using Result = TDirectoryLock::TResult;
using test::TempDir;

TEST(DirectoryLock, OneHolderAtATime) {
  TempDir dir;
  const std::string folder = dir.Path() + "000";
  ASSERT_TRUE(CreateDir(folder));
  TDirectoryLock first;
  TDirectoryLock second;
  EXPECT_EQ(first.TryLock(folder), Result::Locked);
  EXPECT_TRUE(first.Locked());
  // Another lock object of the same process is another holder.
  EXPECT_EQ(second.TryLock(folder), Result::Held);
  EXPECT_FALSE(second.Locked());
  // Taken over whole by a move; the moved-from object holds nothing.
  TDirectoryLock moved = std::move(first);
  EXPECT_FALSE(first.Locked());
  EXPECT_EQ(second.TryLock(folder), Result::Held);
  moved.Release();
  EXPECT_EQ(second.TryLock(folder), Result::Locked);
  // Nothing was written into the directory.
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  // A held directory may go; its name made anew is another directory, free to lock.
  ASSERT_TRUE(RemoveDir(folder));
  ASSERT_TRUE(CreateDir(folder));
  EXPECT_EQ(first.TryLock(folder), Result::Locked);
  EXPECT_EQ(first.TryLock(dir.Path() + "001"), Result::Missing);
  EXPECT_FALSE(first.Locked());  // a new attempt gives up what was held
  test::WriteBytes(dir.File("file"), "x");
  EXPECT_EQ(first.TryLock(dir.File("file")), Result::Missing);
}

// The lock goes with its process, however the process ends.
TEST(DirectoryLock, AKilledHolderFreesTheDirectory) {
  TempDir dir;
  const std::string folder = dir.Path() + "000";
  ASSERT_TRUE(CreateDir(folder));
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    TDirectoryLock held;
    const char answer = held.TryLock(folder) == Result::Locked ? 'y' : 'n';
    if (write(ready[1], &answer, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char answer = 0;
  ASSERT_EQ(read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  TDirectoryLock mine;
  EXPECT_EQ(mine.TryLock(folder), Result::Held);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(mine.TryLock(folder), Result::Locked);
  close(ready[0]);
  close(ready[1]);
}

}  // namespace
}  // namespace zentrova
