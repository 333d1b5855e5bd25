#include <gtest/gtest.h>

#include "common/errors.h"
#include "memory_file_system.h"
#include "common/debug_log.h"

namespace melkrin {
namespace {

TEST(DebugLogTest, EverySaveWritesTheWholeListAgain) {
    testing::MemoryFileSystem files;
    files.addFile("C:\\Bench\\debuginfo.txt", "the previous program run\r\n");
    DebugLog log(files, "C:\\Bench\\");
    EXPECT_EQ(log.path(), "C:\\Bench\\debuginfo.txt");

    // Adding alone does not touch the file.
    log.add("START SS2 in 800 \xD7 600");
    EXPECT_EQ(files.content(log.path()), "the previous program run\r\n");

    log.save();
    EXPECT_EQ(files.content(log.path()), "START SS2 in 800 \xD7 600\r\n");
    log.add("");
    log.add("Serious Sam 2 terminated");
    log.save();
    log.save();
    EXPECT_EQ(files.content(log.path()), "START SS2 in 800 \xD7 600\r\n\r\nSerious Sam 2 terminated\r\n");
    EXPECT_EQ(files.writeCount, 3);
}

TEST(DebugLogTest, AFailedSaveRaisesTheFileError) {
    testing::MemoryFileSystem files;
    DebugLog log(files, "C:\\Bench\\");
    files.readOnly.insert(testing::MemoryFileSystem::norm(log.path()));
    log.add("x");
    EXPECT_THROW(log.save(), OsError);
    EXPECT_EQ(log.lines().size(), 1u);  // kept for a later save
}

}  // namespace
}  // namespace melkrin
