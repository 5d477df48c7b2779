// grinzo-iconpng OUTDIR: writes the program icon as the PNG files of the
// desktop's icon theme, OUTDIR/16x16/grinzo.png, 32x32, 48x48 and 256x256,
// from the same pixel art as the Windows icon: the 16 and 32 pixel images as
// they are, 48 and 256 pixels enlarged from them by whole pixels (3 and 8
// times), so that the pixel art stays sharp. Exit status 0 when all four
// were written, 1 otherwise (with the reason on stderr).

#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "ui/images/images.h"

namespace {

QImage toImage(const grinzo::images::IconImage& icon) {
  QImage image(icon.width, icon.height, QImage::Format_ARGB32);
  for (int y = 0; y < icon.height; ++y) {
    for (int x = 0; x < icon.width; ++x) {
      const auto i = static_cast<std::size_t>(y * icon.width + x);
      const QRgb colour = 0xFF000000u | (icon.palette[icon.indices[i]] & 0xFFFFFFu);
      image.setPixel(x, y, icon.transparent[i] ? 0u : colour);
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr,
                 "usage: grinzo-iconpng OUTDIR\n"
                 "Writes OUTDIR/{16x16,32x32,48x48,256x256}/grinzo.png.\n");
    return 1;
  }
  const QImage small = toImage(grinzo::images::programIcon(16));
  const QImage large = toImage(grinzo::images::programIcon(32));
  const struct {
    int size;
    const QImage& from;
  } sizes[] = {{16, small}, {32, large}, {48, small}, {256, large}};
  const QDir out(QString::fromLocal8Bit(argv[1]));
  for (const auto& s : sizes) {
    const QString folder = QStringLiteral("%1x%1").arg(s.size);
    const QString path = out.filePath(folder + "/grinzo.png");
    const QImage image =
        s.from.width() == s.size
            ? s.from
            : s.from.scaled(s.size, s.size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (!out.mkpath(folder) || !image.save(path, "PNG")) {
      std::fprintf(stderr, "grinzo-iconpng: cannot write '%s'\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}
