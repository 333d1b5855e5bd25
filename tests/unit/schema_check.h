#pragma once
// A result file's text against docs/result.schema.json, through the same
// checking tool that the end-to-end tests use.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace melkrin::testing {

// The check's exit status and what it said.
inline int checkAgainstSchema(const std::string& text, std::string& said) {
    const std::string source = std::string(MELKRIN_FIXTURES_DIR) + "/../..";
    // Names of this process's own: tests run side by side, and a shared name
    // let one test check another's file.
    const std::string own = ::testing::TempDir() + "result_check_" + std::to_string(getpid()) + "_" +
                            ::testing::UnitTest::GetInstance()->current_test_info()->name();
    const std::string file = own + ".json";
    const std::string out = own + ".txt";
    std::ofstream(file, std::ios::binary) << text;
    const std::string command = "/usr/bin/python3 '" + source + "/tests/tools/check_result_json.py' '" + source +
                                "/docs/result.schema.json' '" + file + "' >'" + out + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    in.close();
    std::remove(file.c_str());
    std::remove(out.c_str());
    return status;
}

}  // namespace melkrin::testing
