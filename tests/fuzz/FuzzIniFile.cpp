// The INI reader and writer: whatever it parses it writes back unchanged,
// and a key it writes reads back as written.

#include "base/Error.h"
#include "settings/IniFile.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace wylo;
    const std::string_view bytes = fuzz::Text(data, size);
    IniFile ini;
    try {
        ini.Parse(bytes);
    } catch (const Error&) {
        return 0;
    }
    const std::string text = ini.Text();
    IniFile again;
    again.Parse(text);
    fuzz::Require(again.Text() == text);

    // A value written with the section and key taken from the input.
    const std::size_t cut = size / 3;
    std::string section(bytes.substr(0, std::min<std::size_t>(cut, 8)));
    std::string key(bytes.substr(cut, std::min<std::size_t>(size - cut, 8)));
    for (std::string* name : {&section, &key}) {
        std::erase_if(*name, [](char c) {
            return c == '\r' || c == '\n' || c == '=' || c == '[' || c == ']' || c == ';' ||
                   c == ' ' || c == '\t' || c == '\0';
        });
    }
    if (section.empty() || key.empty()) {
        return 0;
    }
    try {
        again.Write(section, key, "value 42");
    } catch (const Error&) {
        return 0;  // a name that no line can hold is refused
    }
    fuzz::Require(again.Read(section, key) == std::optional<std::string>("value 42"));
    return 0;
}
