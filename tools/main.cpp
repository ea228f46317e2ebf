// zaffo-packgen SAMPLES_DIR: synthesises the bundled sample packs into SAMPLES_DIR.
#include "tools/PackWriter.h"

#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: zaffo-packgen SAMPLES_DIR\n";
        return 2;
    }
    for (const auto& kit : zaffo::packgen::bundledKits()) {
        if (!zaffo::packgen::writePack(argv[1], kit)) {
            std::cerr << "zaffo-packgen: could not write the pack " << kit.name << " into " << argv[1] << "\n";
            return 1;
        }
    }
    return 0;
}
