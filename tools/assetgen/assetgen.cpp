// grinzo-assetgen OUTDIR: writes the files that sit beside the program, all
// made from source: the pointer icon "mouseicon.ico", the program icon
// "grinzo.ico" and the weapon sounds "gun.wav", "shotgun.wav" and
// "machgun.wav". Exit status 0 when all five were written, 1 otherwise (with
// the reason on stderr).

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "icons.h"
#include "sounds.h"
#include "ui/runtime/textfile.h"
#include "wav_writer.h"

namespace {

using namespace grinzo;

void WriteAssets(const std::filesystem::path& folder) {
  gdi::WriteIconFile((folder / "mouseicon.ico").string(),
                     gdi::EncodeIconFile({assetgen::PointerIcon()}));
  gdi::WriteIconFile((folder / "grinzo.ico").string(),
                     gdi::EncodeIconFile({assetgen::ToIndexedIcon(images::programIcon(32)),
                                          assetgen::ToIndexedIcon(images::programIcon(16))}));
  const auto writeSound = [&](const char* name, const std::vector<float>& samples) {
    const std::vector<std::uint8_t> wav = assetgen::EncodeWav(samples, assetgen::kSampleRate);
    rt::writeFile((folder / name).string(),
                  std::string_view(reinterpret_cast<const char*>(wav.data()), wav.size()));
  };
  writeSound("gun.wav", assetgen::HandgunShot());
  writeSound("shotgun.wav", assetgen::ShotgunBlast());
  writeSound("machgun.wav", assetgen::MachineGunRattle());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).empty()) {
    std::cerr << "usage: grinzo-assetgen OUTDIR\n"
                 "Writes mouseicon.ico, grinzo.ico, gun.wav, shotgun.wav and machgun.wav into "
                 "OUTDIR.\n";
    return 1;
  }
  const std::filesystem::path folder(argv[1]);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    std::cerr << "grinzo-assetgen: cannot create folder '" << folder.string()
              << "': " << ec.message() << "\n";
    return 1;
  }
  try {
    WriteAssets(folder);
  } catch (const std::exception& e) {
    std::cerr << "grinzo-assetgen: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
