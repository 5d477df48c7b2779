#include "replay/state_json.h"

#include <cmath>
#include <cstdio>

namespace grinzo::replay {

namespace {

class JsonWriter {
 public:
  void raw(std::string_view text) { out_ += text; }
  void string(std::string_view text) {
    out_ += '"';
    for (const char c : text) {
      switch (c) {
        case '"':
          out_ += "\\\"";
          break;
        case '\\':
          out_ += "\\\\";
          break;
        case '\n':
          out_ += "\\n";
          break;
        case '\r':
          out_ += "\\r";
          break;
        case '\t':
          out_ += "\\t";
          break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out_ += escaped;
          } else {
            out_ += c;
          }
      }
    }
    out_ += '"';
  }
  void key(std::string_view name) {
    separator();
    string(name);
    out_ += ':';
    first_ = true;  // the value follows without a comma
  }
  void number(long long value) {
    separator();
    out_ += std::to_string(value);
  }
  // Seconds to the microsecond, without trailing zeros.
  void seconds(double value) {
    separator();
    char text[64];
    std::snprintf(text, sizeof text, "%.6f", std::round(value * 1e6) / 1e6);
    std::string s = text;
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
    out_ += s;
  }
  void boolean(bool value) {
    separator();
    out_ += value ? "true" : "false";
  }
  void text(std::string_view value) {
    separator();
    string(value);
  }
  void open(char bracket) {
    separator();
    out_ += bracket;
    first_ = true;
  }
  void close(char bracket) {
    out_ += bracket;
    first_ = false;
  }
  std::string take() { return std::move(out_); }

 private:
  void separator() {
    if (!first_) out_ += ',';
    first_ = false;
  }
  std::string out_;
  bool first_ = true;
};

// Which of the five face pictures a face shows: 1 to 5, 0 when unknown.
int pictureOf(const game::frmGrinzo& game, const sprites::CGrinzo& face) {
  const sprites::CGrinzos* faces = game.faces();
  for (int n = 1; faces && n <= 5; ++n)
    if (faces->picture(n) == face.sprite()) return n;
  return 0;
}

}  // namespace

std::string stateJson(const game::frmGrinzo& game, const FrameRecord& record) {
  JsonWriter j;
  j.open('{');
  j.key("frame"), j.number(record.frame);
  j.key("time"), j.seconds(record.time);
  j.key("level"), j.number(game.level());
  j.key("left"), j.number(game.grinzosLeft());
  j.key("weapon"), j.number(game.currentWeapon());
  j.key("weaponsAvailable"), j.number(game.weaponsAvailable());
  j.key("timeLeft"), j.number(game.timeLeft());
  j.key("idle"), j.boolean(game.idle());
  j.key("exit"), j.boolean(game.exitRequested());
  j.key("cursor"), j.open('['), j.number(game.cursorX()), j.number(game.cursorY()), j.close(']');

  j.key("faces"), j.open('[');
  if (const sprites::CGrinzos* faces = game.faces()) {
    for (const auto& face : *faces) {
      j.open('{');
      j.key("key"), j.text(face->GirnzoCode);
      j.key("x"), j.number(face->X);
      j.key("y"), j.number(face->Y);
      j.key("angle"), j.number(face->Angle);
      j.key("picture"), j.number(pictureOf(game, *face));
      j.close('}');
    }
  }
  j.close(']');

  j.key("pendingBlobs"), j.open('[');
  if (const sprites::CBlobs* blobs = game.pendingBlobs()) {
    for (const auto& blob : *blobs) {
      j.open('{');
      j.key("key"), j.text(blob->BlobCode);
      j.key("type"), j.number(blob->BlobType);
      j.key("x"), j.number(blob->X);
      j.key("y"), j.number(blob->Y);
      j.close('}');
    }
  }
  j.close(']');

  j.key("labels"), j.open('{');
  for (const char* name : game::kStatusLabels) {
    if (const forms::Control* label = game.findControl(name)) {
      j.key(name), j.open('{');
      j.key("caption"), j.text(label->caption());
      j.key("visible"), j.boolean(label->visible());
      j.close('}');
    }
  }
  j.close('}');

  j.key("sounds"), j.open('[');
  for (const std::string& sound : record.sounds) j.text(sound);
  j.close(']');
  j.key("messages"), j.open('[');
  for (const headless::MessageBoxRecord& m : record.messages) {
    j.open('{');
    j.key("title"), j.text(m.title);
    j.key("text"), j.text(m.text);
    j.close('}');
  }
  j.close(']');
  j.close('}');
  return j.take();
}

}  // namespace grinzo::replay
