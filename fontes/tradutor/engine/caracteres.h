// Spoken names of the Windows-1252 characters: what is said for a character
// that stands alone, in recordings and in the text read by the speech engine.
#pragma once

#include <string_view>

namespace engine {

// The name of the character `codigo`, in Windows-1252 bytes. The names are
// spelled to steer the pronunciation ("zéro", "jóta", "êne"), and C and D
// begin with a blank (" sê", " dê") so that they are never run into the word
// before them. Control codes and the characters we have no name for give an
// empty text.
std::string_view NomeDoCaractere(unsigned char codigo);

}  // namespace engine
