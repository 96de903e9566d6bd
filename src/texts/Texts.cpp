#include "texts/Texts.h"

#include <atomic>

namespace tarvenko::texts {
namespace {
std::atomic<Translator> installed{nullptr};
}

void setTranslator(Translator translator) {
    installed.store(translator);
}

std::string_view translate(const char* context, const char* source) {
    const Translator t = installed.load(std::memory_order_relaxed);
    return t != nullptr ? t(context, source) : std::string_view(source);
}

std::string fill(std::string_view form, std::initializer_list<std::string_view> arguments) {
    std::string out;
    out.reserve(form.size() + 16 * arguments.size());
    for (std::size_t i = 0; i < form.size(); ++i) {
        const char c = form[i];
        const std::size_t n = i + 1 < form.size() ? static_cast<std::size_t>(form[i + 1] - '1') : 9;
        if (c == '%' && n < arguments.size() && n < 9) {
            out += arguments.begin()[n];
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tarvenko::texts
