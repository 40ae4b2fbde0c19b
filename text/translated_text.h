// Texts shown to people are written in Japanese in the sources. The layers without Qt pass each one through
// tr_text, which returns it unchanged until the application installs a translator (Qt's, over the compiled
// English translation) at start-up. `tr_text("Context", "text")` is what the translation tools collect.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text in a table for the translation tools; it is translated where it is used, with tr_text and the
// same context.
#define TR_TEXT_NOOP(context, text) text

namespace orvenna {

using TextTranslator = std::string (*)(const char* context, const char* text);

inline TextTranslator& installed_text_translator() {
    static TextTranslator translator = nullptr;
    return translator;
}

// Installed once before any other thread starts; the translator itself must be safe to call from any thread.
inline void set_text_translator(TextTranslator translator) {
    installed_text_translator() = translator;
}

inline std::string tr_text(const char* context, const char* text) {
    const TextTranslator translator = installed_text_translator();
    return translator ? translator(context, text) : std::string(text);
}

// `text` with %1 .. %9 replaced by the arguments, in the order the (translated) text places them.
inline std::string fill_text(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size() + 32);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const size_t k = static_cast<size_t>(text[i + 1] - '1');
            if (k < args.size()) {
                out += *(args.begin() + k);
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

}  // namespace orvenna
