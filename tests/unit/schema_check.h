#pragma once
// A result file's text against docs/result.schema.json, through the same
// checking tool that the end-to-end tests use.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

namespace melkrin::testing {

// The check's exit status and what it said.
inline int checkAgainstSchema(const std::string& text, std::string& said) {
    const std::string source = std::string(MELKRIN_FIXTURES_DIR) + "/../..";
    const std::string file = ::testing::TempDir() + "result_sample.json";
    const std::string out = ::testing::TempDir() + "result_check.txt";
    std::ofstream(file, std::ios::binary) << text;
    const std::string command = "/usr/bin/python3 '" + source + "/tests/tools/check_result_json.py' '" + source +
                                "/docs/result.schema.json' '" + file + "' >'" + out + "' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream in(out);
    said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return status;
}

}  // namespace melkrin::testing
