// Writes one small RAW file of each family around a JPEG, as the fuzzer's seeds.
//   make_raw_seeds JPEG OUTPUT_DIR
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/raw_fixtures.h"

using namespace raw_fixtures;

namespace {

void Write(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes jpeg((std::istreambuf_iterator<char>(in)), {});
    if (jpeg.empty()) return 1;
    const std::string out = std::string(argv[2]) + "/";
    Write(out + "subifd.nef", MakeSubIfdFile(jpeg, {.orientation = 6}));
    Write(out + "big-endian.pef", MakeSubIfdFile(jpeg, {.bigEndian = true}));
    Write(out + "strip.cr2", MakeCr2File(jpeg, WithFrame(jpeg, 0xC3, 4000)));
    Write(out + "maker-note.orf", MakeOrfFile(jpeg));
    Write(out + "jpg-from-raw.rw2", MakeRw2File(jpeg));
    Write(out + "boxes.cr3", MakeCr3File(jpeg, jpeg, 8));
    Write(out + "header.raf", MakeRafFile(jpeg));
    Write(out + "heap.crw", MakeCrwFile(jpeg, 90));
    return 0;
}
