// quill-genstore --seed N --out DIR [--messages N] [--size-mb M] [--containers K]
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "tools/StoreGenerator.h"

int main(int argc, char** argv) {
    quill::gen::GenOptions options;
    std::string out;
    try {
        for (int i = 1; i + 1 < argc; i += 2) {
            std::string a = argv[i];
            std::string v = argv[i + 1];
            if (a == "--seed")
                options.seed = std::stoull(v);
            else if (a == "--out")
                out = v;
            else if (a == "--messages")
                options.messages = std::stoi(v);
            else if (a == "--size-mb")
                options.sizeMb = std::stoull(v);
            else if (a == "--containers")
                options.containers = std::stoi(v);
            else
                throw std::invalid_argument(a);
        }
        if (out.empty() || argc % 2 == 0) throw std::invalid_argument("--out");
    } catch (const std::exception&) {
        std::fprintf(stderr,
                     "usage: quill-genstore --seed N --out DIR [--messages N] [--size-mb M] [--containers K]\n");
        return 2;
    }
    try {
        for (const auto& p : quill::gen::WriteStore(out, options)) std::printf("%s\n", p.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quill-genstore: %s\n", e.what());
        return 1;
    }
    return 0;
}
