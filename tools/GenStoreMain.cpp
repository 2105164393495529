// quill-genstore --seed N --out DIR [--messages N] [--size-mb M] [--containers K] [--mix 1]
//                [--generation xe|im2|im25|attachments [--manifest FILE]]
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include <fstream>

#include "tools/AttachmentStoreGenerator.h"
#include "tools/IndexedStoreGenerator.h"
#include "tools/StoreGenerator.h"

int main(int argc, char** argv) {
    quill::gen::GenOptions options;
    std::string out, generation, manifest;
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
            else if (a == "--generation" && (v == "xe" || v == "im2" || v == "im25" || v == "attachments"))
                generation = v;
            else if (a == "--mix" && (v == "0" || v == "1"))
                options.mix = v == "1";
            else if (a == "--manifest")
                manifest = v;
            else
                throw std::invalid_argument(a);
        }
        if (out.empty() || argc % 2 == 0) throw std::invalid_argument("--out");
    } catch (const std::exception&) {
        std::fprintf(stderr,
                     "usage: quill-genstore --seed N --out DIR [--messages N] [--size-mb M] [--containers K] [--mix 1]\n"
                     "                      [--generation xe|im2|im25|attachments [--manifest FILE]]\n");
        return 2;
    }
    try {
        if (generation == "attachments") {
            // Attachments put back: what each one must hold after the conversion.
            auto store = quill::gen::WriteAttachmentStore(out, options.seed, options.messages);
            if (!manifest.empty())
                std::ofstream(manifest, std::ios::binary) << quill::gen::AttachmentManifestJson(store);
            std::printf("%s\n", store.container.c_str());
            return 0;
        }
        if (!generation.empty()) {
            // A store with its own index; the manifest tells what a reader must find in it.
            quill::gen::IndexedStoreOptions indexed;
            indexed.seed = options.seed;
            indexed.messages = options.messages;
            indexed.generation = generation == "xe"    ? quill::gen::Generation::Xe
                                 : generation == "im2" ? quill::gen::Generation::Im2
                                                       : quill::gen::Generation::Im25;
            auto store = quill::gen::WriteIndexedStore(out, indexed);
            if (!manifest.empty()) std::ofstream(manifest, std::ios::binary) << quill::gen::ManifestJson(store);
            for (const auto& c : store.containers) std::printf("%s\n", c.entry.c_str());
            return 0;
        }
        for (const auto& p : quill::gen::WriteStore(out, options)) std::printf("%s\n", p.c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quill-genstore: %s\n", e.what());
        return 1;
    }
    return 0;
}
