#include <windows.h>

#include <gtest/gtest.h>

#include "common/errors.h"
#include "common/file_system_win32.h"
#include "common/shell_file_op_win32.h"
#include "win_test_support.h"

namespace melkrin {
namespace {

using testing::readBytes;
using testing::TempFolder;
using testing::writeBytes;

TEST(Win32FileSystemTest, FilesAndFoldersAreTellApart) {
    TempFolder temp;
    Win32FileSystem files;
    const std::string folder = temp.path() + "Sam2.ini";  // a folder with a file's name
    ASSERT_TRUE(files.createFolder(folder));
    EXPECT_FALSE(files.fileExists(folder));
    EXPECT_TRUE(files.folderExists(folder));
    EXPECT_TRUE(files.folderExists(folder + "\\"));

    writeBytes(temp.path() + "file.txt", "x");
    EXPECT_TRUE(files.fileExists(temp.path() + "file.txt"));
    EXPECT_FALSE(files.folderExists(temp.path() + "file.txt"));
    EXPECT_FALSE(files.fileExists(temp.path() + "*.txt")) << "a pattern is not a file";
    EXPECT_FALSE(files.fileExists(""));
    EXPECT_FALSE(files.folderExists(""));

    // One level only: parents are not created.
    EXPECT_FALSE(files.createFolder(temp.path() + "a\\b"));
    EXPECT_FALSE(files.folderExists(temp.path() + "a"));
}

TEST(Win32FileSystemTest, WholeFilesAreWrittenBesideAndReplaced) {
    TempFolder temp;
    Win32FileSystem files;
    const std::string path = temp.path() + "Sam2.ini";
    const std::string bytes = std::string("a\xD7" "b\r\n\0z\r\n", 9);
    files.writeFile(path, bytes);
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(files.readFile(path), bytes);
    files.writeFile(path, "short\r\n");
    EXPECT_EQ(files.readFile(path), "short\r\n");
    EXPECT_FALSE(files.fileExists(path + ".tmp~")) << "no temporary file is left";

    try {
        (void)files.readFile(temp.path() + "missing.txt");
        FAIL();
    } catch (const OsError& e) {
        EXPECT_EQ(e.code(), static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
        EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos);
    }
    EXPECT_THROW(files.writeFile(temp.path() + "no\\such\\folder.txt", "x"), OsError);

    // A read-only target refuses the replacement and keeps its content.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(files.writeFile(path, "changed"), OsError);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(files.readFile(path), "short\r\n");
    EXPECT_FALSE(files.fileExists(path + ".tmp~"));
}

TEST(Win32FileSystemTest, AppendsAddWholeRowsWithTheHeaderOnce) {
    TempFolder temp;
    Win32FileSystem files;
    const std::string path = temp.path() + "results.csv";
    files.appendFile(path, "1,a\r\n", "n,x\r\n");
    files.appendFile(path, "2,b\r\n3,c\r\n", "n,x\r\n");
    EXPECT_EQ(readBytes(path), "n,x\r\n1,a\r\n2,b\r\n3,c\r\n");
    // An empty file left behind gets its header as a new one would.
    writeBytes(temp.path() + "empty.csv", "");
    files.appendFile(temp.path() + "empty.csv", "1\r\n", "n\r\n");
    EXPECT_EQ(readBytes(temp.path() + "empty.csv"), "n\r\n1\r\n");

    // Held open without sharing, as a spreadsheet program holds it: refused
    // with the sharing violation, and nothing of the rows gets in.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        files.appendFile(path, "4,d\r\n", "n,x\r\n");
        ADD_FAILURE() << "a held file was appended to";
    } catch (const OsError& e) {
        EXPECT_EQ(e.code(), static_cast<std::uint32_t>(ERROR_SHARING_VIOLATION));
        EXPECT_NE(std::string(e.what()).find("results.csv"), std::string::npos);
    }
    CloseHandle(held);
    EXPECT_EQ(readBytes(path), "n,x\r\n1,a\r\n2,b\r\n3,c\r\n");
    // Read-only: refused as well.
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_THROW(files.appendFile(path, "4,d\r\n", "n,x\r\n"), OsError);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_THROW(files.appendFile(temp.path() + "no\\such\\results.csv", "1\r\n", "n\r\n"), OsError);
    EXPECT_EQ(readBytes(path), "n,x\r\n1,a\r\n2,b\r\n3,c\r\n");
}

TEST(Win32FileSystemTest, MoveAndCopyReplaceTheTarget) {
    TempFolder temp;
    Win32FileSystem files;
    writeBytes(temp.path() + "a", "first");
    writeBytes(temp.path() + "b", "second");
    EXPECT_TRUE(files.copyFile(temp.path() + "a", temp.path() + "b"));
    EXPECT_EQ(readBytes(temp.path() + "b"), "first");
    writeBytes(temp.path() + "c", "third");
    EXPECT_TRUE(files.moveFile(temp.path() + "c", temp.path() + "a"));
    EXPECT_EQ(readBytes(temp.path() + "a"), "third");
    EXPECT_FALSE(files.fileExists(temp.path() + "c"));
    EXPECT_TRUE(files.deleteFile(temp.path() + "a"));
    EXPECT_FALSE(files.deleteFile(temp.path() + "a"));
}

TEST(Win32FileSystemTest, ListsTheFilesThatMatchAPattern) {
    TempFolder temp;
    Win32FileSystem files;
    for (const char* name : {"result_b.json", "result_a.json", "result_a.htm", "history.htm", "result_\xE9t\xE9.json"})
        writeBytes(temp.path() + name, "{}");
    ASSERT_TRUE(files.createFolder(temp.path() + "result_folder.json"));  // a folder is not listed
    const std::vector<std::string> expected = {"result_a.json", "result_b.json", "result_\xE9t\xE9.json"};
    EXPECT_EQ(files.listFiles(temp.path(), "result_*.json"), expected);
    // The folder without its closing backslash lists the same.
    EXPECT_EQ(files.listFiles(temp.path().substr(0, temp.path().size() - 1), "result_*.json"), expected);
    EXPECT_EQ(files.listFiles(temp.path(), "*.txt"), std::vector<std::string>{}) << "no match is no error";

    try {
        (void)files.listFiles(temp.path() + "missing", "*.json");
        FAIL() << "a folder that does not exist cannot be listed";
    } catch (const OsError& e) {
        EXPECT_NE(std::string(e.what()).find("missing"), std::string::npos);
    }
}

TEST(ShellFileOperationTest, MovesAndCopiesThroughTheShell) {
    EXPECT_EQ(Win32ShellFileOperation::doubleNulList("C:\\x"), std::string("C:\\x\0\0", 6));
    // A local path has no UNC form and stays as it is.
    EXPECT_EQ(Win32ShellFileOperation::universalName("C:\\windows\\win.ini"), "C:\\windows\\win.ini");

    TempFolder temp;
    Win32ShellFileOperation fileOp;
    fileOp.setProgressTitle("Please wait...");
    writeBytes(temp.path() + "Sam2_old.ini", "users own\r\n");
    writeBytes(temp.path() + "Sam2.ini", "benchmark\r\n");
    fileOp.move(temp.path() + "Sam2_old.ini", temp.path() + "Sam2.ini");
    EXPECT_EQ(readBytes(temp.path() + "Sam2.ini"), "users own\r\n");
    EXPECT_EQ(GetFileAttributesA((temp.path() + "Sam2_old.ini").c_str()), INVALID_FILE_ATTRIBUTES);

    // A target folder that does not exist yet is created, blanks in names included.
    fileOp.copy(temp.path() + "Sam2.ini", temp.path() + "New Folder\\Demo 0001.dem");
    EXPECT_EQ(readBytes(temp.path() + "New Folder\\Demo 0001.dem"), "users own\r\n");
    EXPECT_EQ(readBytes(temp.path() + "Sam2.ini"), "users own\r\n");
}

}  // namespace
}  // namespace melkrin
