// The main() of every test program. ctest runs one test a process and reads
// the exit code alone: 77 when the test skipped, so no text a test prints can
// turn a failure into a skip.
#include <Zelkoran/TestSupport.h>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // The tests read which dialogs the editor showed.
    Zelkoran::TestSupport::keepModalLog(true);
    if (RUN_ALL_TESTS() != 0)
        return 1;
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    return run.skipped_test_count() > 0 && run.successful_test_count() == 0 ? 77 : 0;
}
