// Runs the strict verifier on PST files named on the command line (for files too big to make in
// a test, such as the multi-gigabyte benchmark file). Exit status 1 when any file has problems.
#include "pst/verify/Verifier.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        try {
            const auto problems = quill::pst::verify::VerifyPst(argv[i]);
            std::printf("%s: %s\n", argv[i], problems.empty() ? "valid" : "PROBLEMS");
            if (!problems.empty()) {
                std::printf("%s\n", quill::pst::verify::JoinProblems(problems).c_str());
                status = 1;
            }
        } catch (const std::exception& e) {
            std::printf("%s: cannot verify: %s\n", argv[i], e.what());
            status = 1;
        }
    }
    return status;
}
