// The main() of every test executable. It runs GoogleTest as usual; when QF_TEST_RESULTS_DIR is
// set (CTest's run of the whole executable, see cmake/QfTargets.cmake), it also writes one small
// result file per test case into that folder, and CTest reports each case from its file. The
// executable itself then runs once, in one process, however many cases it has.
//
// A result file is named after the case ("Suite.Case", with '%' and '/' written as %25 and %2F)
// plus ".result"; its first line is "PASSED", "FAILED" or "SKIPPED" followed by the case's name
// and time, then the case's failure messages. A case that never ends (the process crashed or
// was stopped) leaves no file, so it is reported as failed rather than as passed from an older
// run: each run first removes the files of all the cases of its shard.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace
{

std::string ResultFileName(const testing::TestInfo& test)
{
    std::string name = std::string(test.test_suite_name()) + "." + test.name();
    std::string out;
    for (char c : name)
    {
        if (c == '%')
            out += "%25";
        else if (c == '/')
            out += "%2F";
        else
            out += c;
    }
    return out + ".result";
}

class ResultFileWriter : public testing::EmptyTestEventListener
{
public:
    explicit ResultFileWriter(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    void OnTestProgramStart(const testing::UnitTest& unit) override
    {
        std::error_code ec;
        std::filesystem::create_directories(m_folder, ec);
        for (int s = 0; s < unit.total_test_suite_count(); ++s)
        {
            const testing::TestSuite* suite = unit.GetTestSuite(s);
            for (int t = 0; t < suite->total_test_count(); ++t)
            {
                // Every case of this run's shard, filtered out or not: a case left out by a
                // filter is then reported as not run rather than by an older result.
                const testing::TestInfo* test = suite->GetTestInfo(t);
                if (!test->is_in_another_shard())
                    std::filesystem::remove(m_folder / ResultFileName(*test), ec);
            }
        }
    }

    void OnTestStart(const testing::TestInfo&) override { m_messages.clear(); }

    void OnTestPartResult(const testing::TestPartResult& part) override
    {
        if (part.skipped() && !part.message()[0])
            return;
        if (part.file_name())
            m_messages += std::string(part.file_name()) + ":" + std::to_string(part.line_number()) + ": ";
        m_messages += part.failed() ? "Failure\n" : (part.skipped() ? "Skipped\n" : "Note\n");
        m_messages += std::string(part.message()) + "\n";
    }

    void OnTestEnd(const testing::TestInfo& test) override
    {
        const testing::TestResult* result = test.result();
        const char* verdict = result->Failed() ? "FAILED" : (result->Skipped() ? "SKIPPED" : "PASSED");
        std::filesystem::path file = m_folder / ResultFileName(test);
        std::filesystem::path partial = file;
        partial += ".part";
        {
            std::ofstream out(partial, std::ios::binary | std::ios::trunc);
            out << verdict << " " << test.test_suite_name() << "." << test.name() << " ("
                << result->elapsed_time() << " ms)\n"
                << m_messages;
        }
        // Appears whole or not at all.
        std::error_code ec;
        std::filesystem::rename(partial, file, ec);
        if (ec)
            std::fprintf(stderr, "cannot write the result of %s.%s to %s: %s\n", test.test_suite_name(),
                         test.name(), file.c_str(), ec.message().c_str());
    }

private:
    std::filesystem::path m_folder;
    std::string m_messages;
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    const char* folder = std::getenv("QF_TEST_RESULTS_DIR");
    if (!folder || !*folder)
        return RUN_ALL_TESTS();
    testing::UnitTest::GetInstance()->listeners().Append(new ResultFileWriter(folder));
    // Failed cases are reported one by one from their files; the run itself succeeds when it got
    // to the end. A crash, a sanitizer's report or a leak found at exit still fails it, and so
    // does a failure outside every case (a suite's or the environment's set-up or tear-down).
    const int failedCases = RUN_ALL_TESTS();  // reported case by case from the files
    (void)failedCases;
    const testing::UnitTest& unit = *testing::UnitTest::GetInstance();
    bool outside = unit.ad_hoc_test_result().Failed();
    for (int s = 0; s < unit.total_test_suite_count(); ++s)
        outside = outside || unit.GetTestSuite(s)->ad_hoc_test_result().Failed();
    if (outside)
        std::fprintf(stderr, "a failure outside the test cases (see above)\n");
    return outside ? 1 : 0;
}
