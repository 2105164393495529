// The `modMain` shell helper.
#include "win32/Shell.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace quill {
namespace {

TEST(OpenWebPageTest, EmptyAddressDoesNothing) {
    // Would open a window of the shell's own (and under Wine start a process)
    // if it reached ShellExecuteW; the last-error trick tells it did not.
    ::SetLastError(12345);
    OpenWebPage(L"");
    EXPECT_EQ(::GetLastError(), 12345u);
}

}  // namespace
}  // namespace quill
