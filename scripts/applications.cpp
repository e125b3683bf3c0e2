// tbo_applications: the product's application table, for the scripts and
// the test harness, which would otherwise spell the applications again.
//   tbo_applications             every row as JSON, in the order presses run
//   tbo_applications --switches  "/word /powerpoint /excel"
#include <cstdio>
#include <string>
#include <string_view>

#include "installers/applications.h"

namespace {

// UTF-8 of UTF-16 text.
std::string Utf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
              static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

std::string Quoted(std::u16string_view text) {
  std::string out = "\"";
  for (const char c : Utf8(text)) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string_view(argv[1]) == "--switches") {
    for (const tbo::Application* a : tbo::kApplications) {
      std::printf("%s/%s", a == tbo::kApplications[0] ? "" : " ", Utf8(a->switchName).c_str());
    }
    std::printf("\n");
    return 0;
  }
  std::printf("[\n");
  for (const tbo::Application* a : tbo::kApplications) {
    std::printf(" {\"name\": %s, \"switch\": %s, \"progId\": %s, \"caption\": %s, \"control\": %s, \"slot\": %d, "
                "\"generation\": %s}%s\n",
                Quoted(a->name).c_str(), Quoted(a->switchName).c_str(), Quoted(a->progId).c_str(),
                Quoted(a->caption).c_str(), Quoted(a->controlName).c_str(), a->buttonSlot,
                Quoted(a->generation).c_str(), a == tbo::kApplications[std::size(tbo::kApplications) - 1] ? "" : ",");
  }
  std::printf("]\n");
  return 0;
}
