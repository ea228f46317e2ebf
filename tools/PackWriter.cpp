#include "tools/PackWriter.h"

#include "tools/SampleFile.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace zaffo::packgen {

bool writePack(const std::string& samplesDir, const Kit& kit) {
    const std::string packDir = samplesDir + "/" + kit.name;
    std::error_code error;
    std::filesystem::create_directories(packDir, error);
    if (error) {
        return false;
    }
    for (const Hit& hit : kit.hits) {
        Signal sound = hit.make();
        finishHit(sound);
        const bool written = kit.format == FileFormat::Wav ? writeWav(packDir + "/" + hit.name + ".wav", sound)
                                                           : writeMp3(packDir + "/" + hit.name + ".mp3", sound);
        if (!written) {
            return false;
        }
    }
    std::ofstream readme(packDir + "/readme.txt", std::ios::binary);
    readme << kit.readme;
    return static_cast<bool>(readme.flush());
}

}  // namespace zaffo::packgen
