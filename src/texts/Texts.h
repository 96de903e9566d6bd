// Every text a player sees passes through 訳 (or is marked with TARVENKO_TEXT in a table and
// passed through 訳 where it is shown), so that a catalogue per language can replace it. The
// Japanese text is the key. The real window installs a translator over the toolkit's catalogue,
// the driver and the tests install what they need; with none installed a text is shown as
// written, so the game core needs no toolkit.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace tarvenko::texts {

// The catalogue's context every game text belongs to.
inline constexpr const char* kContext = "Tarvenko";

// Returns the text to show for `source` in `context`. The view stays valid until another
// translator is installed.
using Translator = std::string_view (*)(const char* context, const char* source);

// nullptr goes back to showing every text as written.
void setTranslator(Translator translator);

// The text to show for a Japanese source text of the given context.
std::string_view translate(const char* context, const char* source);

// A translated form with %1, %2, ... replaced by the arguments in turn, so that each language
// orders the parts of a sentence its own way.
std::string fill(std::string_view form, std::initializer_list<std::string_view> arguments);

} // namespace tarvenko::texts

namespace tarvenko {
// The shown text of a game text.
inline std::string_view 訳(const char* source) {
    return texts::translate(texts::kContext, source);
}
} // namespace tarvenko

// Marks a literal for the catalogue without translating it where it stands (tables of texts):
// the extraction tool reads it; the code passes the literal through 訳 where it is shown.
#define TARVENKO_TEXT(source) source
