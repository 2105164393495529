// The one command-line description: what each verb accepts, what settles the run before a verb
// runs (help, version, usage errors, with their exit status), and the progress line.
#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/ProgressLine.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quill::cli {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineParse, VerbsReadTheirOptionsAndOperands) {
    ParsedCommandLine p;
    std::ostringstream out, err;
    ASSERT_EQ(ParseCommandLine({"convert", "--store", "s", "--out", "o", "--target", "pst", "--advance",
                                "--skip-deleted", "a.imm", "/x/b.imm", "--attachments", "att", "--store", "s2"},
                               p, out, err),
              std::nullopt)
        << err.str();
    EXPECT_EQ(p.verb, "convert");
    EXPECT_EQ(p.convert.store, "s2") << "a repeated option keeps its last value";
    EXPECT_EQ(p.convert.out, "o");
    EXPECT_EQ(p.convert.target, "pst");
    EXPECT_EQ(p.convert.attachments, "att");
    EXPECT_TRUE(p.convert.advance);
    EXPECT_TRUE(p.convert.skipDeleted);
    EXPECT_EQ(p.convert.containers, (Args{"a.imm", "/x/b.imm"})) << "a leading '/' is a path, not an option";

    ParsedCommandLine s;
    ASSERT_EQ(ParseCommandLine({"split", "/in/c.imm", "/out", "--advance"}, s, out, err), std::nullopt) << err.str();
    EXPECT_EQ(s.verb, "split");
    EXPECT_EQ(s.split.container, "/in/c.imm");
    EXPECT_EQ(s.split.outDir, "/out");
    EXPECT_TRUE(s.split.advance);

    ParsedCommandLine l;
    ASSERT_EQ(ParseCommandLine({"list"}, l, out, err), std::nullopt) << err.str();
    EXPECT_EQ(l.verb, "list");
    EXPECT_EQ(l.list.store, "");
}

TEST(CommandLineParse, HelpVersionAndUsageErrorsSettleTheRun) {
    struct Case {
        Args args;
        int status;
        std::vector<std::string> inOut, inErr;
    };
    const Case cases[] = {
        {{}, kExitUsage, {}, {"convert", "list", "split"}},
        {{"--help"}, kExitOk, {"convert", "list", "split", "Exit status"}, {}},
        {{"help"}, kExitOk, {"convert", "list", "split"}, {}},
        {{"--version"}, kExitOk, {std::string(kProgramName) + " "}, {}},
        {{"convert", "--help"},
         kExitOk,
         {"--store", "--attachments", "--out", "--target", "--advance", "CONTAINER"},
         {}},
        {{"split", "-h"}, kExitOk, {"--advance", "CONTAINER", "OUTDIR"}, {}},
        {{"frobnicate"}, kExitUsage, {}, {"unknown command \"frobnicate\""}},
        {{"convert", "--store", "x"}, kExitUsage, {}, {"--out"}},
        {{"convert", "--out", ""}, kExitUsage, {}, {"--out: needs a folder"}},
        {{"convert", "--out", "x", "--target", "mbox"}, kExitUsage, {}, {"--target: is eml or pst"}},
        {{"convert", "--out", "x", "--frob"}, kExitUsage, {}, {"--frob"}},
        {{"list", "--store"}, kExitUsage, {}, {"--store"}},
        {{"list", "extra"}, kExitUsage, {}, {"extra"}},
        {{"split", "only.imm"}, kExitUsage, {}, {"OUTDIR"}},
        {{"split", "a", "b", "c"}, kExitUsage, {}, {"c"}},
    };
    for (const auto& c : cases) {
        ParsedCommandLine p;
        std::ostringstream out, err;
        std::string shown;
        for (const auto& a : c.args) shown += a + " ";
        EXPECT_EQ(ParseCommandLine(c.args, p, out, err), c.status) << shown << "\n" << out.str() << err.str();
        for (const auto& text : c.inOut) EXPECT_NE(out.str().find(text), std::string::npos) << shown << out.str();
        for (const auto& text : c.inErr) EXPECT_NE(err.str().find(text), std::string::npos) << shown << err.str();
    }
}

TEST(ProgressLineTest, OneClosingLinePerContainerAndRedrawsOnlyOnATerminal) {
    std::ostringstream plain;
    ProgressLine file(plain, false);
    file.Start("Inbox.imm");
    file.Update("Inbox.imm", 3, 1500, 3000);
    file.Start("Sent.imm");
    file.Update("Sent.imm", 1, 10, 10);
    file.End();
    file.End();
    EXPECT_EQ(plain.str(), "Inbox.imm: 3 messages, 1500 bytes, 0:00\nSent.imm: 1 message, 10 bytes, 0:00\n");

    std::ostringstream tty;
    ProgressLine terminal(tty, true);
    terminal.Start("Inbox.imm");
    terminal.Update("Inbox.imm", 1, 2000000, 8000000);
    terminal.Update("Inbox.imm", 2, 4000000, 8000000);  // within the same tenth of a second: not drawn again
    terminal.End();
    const std::string text = tty.str();
    const std::string bar = "\rInbox.imm [#####---------------]  25%  1 message  2.0 MB of 8.0 MB";
    EXPECT_EQ(text.rfind(bar, 0), 0u) << text;
    EXPECT_EQ(text.find("2 messages  4.0 MB"), std::string::npos) << text;
    // The bar is wiped whole before the closing line: no debris after it.
    const std::size_t wipe = text.find("\r", 1);
    ASSERT_NE(wipe, std::string::npos);
    EXPECT_EQ(text.substr(wipe),
              "\r" + std::string(bar.size() - 1, ' ') + "\rInbox.imm: 2 messages, 4000000 bytes, 0:00\n")
        << text;
}

TEST(ProgressLineTest, BarShowsShareRateAndTimeLeft) {
    struct Case {
        std::uint64_t messages, bytes, total;
        double seconds;
        const char* line;
    } cases[] = {
        {0, 0, 1000000, 0.0, "c.imm [--------------------]   0%  0 messages  0.0 MB of 1.0 MB"},
        {10, 500000, 1000000, 2.0,
         "c.imm [##########----------]  50%  10 messages  0.5 MB of 1.0 MB  0.2 MB/s  0:02 left"},
        {99, 1000000, 1000000, 4.0, "c.imm [####################] 100%  99 messages  1.0 MB of 1.0 MB  0.2 MB/s"},
        {3, 2000000, 0, 1.0, "c.imm  3 messages  2.0 MB  2.0 MB/s"},  // size unknown: no bar, no estimate
        {1, 3600000000, 7200000000, 3600.0,
         "c.imm [##########----------]  50%  1 message  3600.0 MB of 7200.0 MB  1.0 MB/s  1:00:00 left"},
    };
    for (const auto& c : cases) EXPECT_EQ(ProgressLine::Bar("c.imm", c.messages, c.bytes, c.total, c.seconds), c.line);
}

}  // namespace
}  // namespace quill::cli
