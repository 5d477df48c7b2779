#include "ui/forms/layout.h"

#include <cctype>

namespace grinzo::forms {

const ControlLayout* FormLayout::find(const std::string& controlName, int index) const {
  for (const ControlLayout& c : controls) {
    if (c.name == controlName && c.index == index) return &c;
  }
  return nullptr;
}

std::string stripMnemonic(const std::string& caption) {
  std::string out;
  out.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;  // "&&" keeps one '&'
    out += caption[i];
  }
  return out;
}

char mnemonicOf(const std::string& caption) {
  for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
  }
  return 0;
}

}  // namespace grinzo::forms
