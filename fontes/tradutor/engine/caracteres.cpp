// The character-name table. Names are Windows-1252 byte strings; a literal is
// closed after each \x escape that a hex digit follows ("d\xE1" "bliu"), since
// the escape would otherwise swallow that digit.
#include "tradutor/engine/caracteres.h"

#include <array>

namespace engine {
namespace {

// Codes 32 to 126. Upper-case J and N are spelled with accents ("jóta",
// "êne"), their lower-case forms without.
constexpr std::array<std::string_view, 95> kAscii = {
    "espa\xE7o",                  // 32
    "exclama\xE7\xE3o",           // 33 !
    "aspas",                      // 34 "
    "sustenido",                  // 35 #
    "cifr\xE3o",                  // 36 $
    "porcento",                   // 37 %
    "\xE9 comercial",             // 38 &
    "ap\xF3strofo",               // 39 '
    "abre par\xEAnteses",         // 40 (
    "fecha par\xEAnteses",        // 41 )
    "asterisco",                  // 42 *
    "mais",                       // 43 +
    "v\xEDrgula",                 // 44 ,
    "tra\xE7o",                   // 45 -
    "ponto",                      // 46 .
    "barra",                      // 47 /
    "z\xE9ro",                    // 48 0
    "um",                         // 49 1
    "dois",                       // 50 2
    "tr\xEAs",                    // 51 3
    "quatro",                     // 52 4
    "cinco",                      // 53 5
    "seis",                       // 54 6
    "s\xE9te",                    // 55 7
    "oito",                       // 56 8
    "n\xF3ve",                    // 57 9
    "dois pontos",                // 58 :
    "ponto e v\xEDrgula",         // 59 ;
    "menor que",                  // 60 <
    "igual",                      // 61 =
    "maior que",                  // 62 >
    "interroga\xE7\xE3o",         // 63 ?
    "arr\xF4" "ba",               // 64 @
    "a",                          // 65 A
    "b\xEA",                      // 66 B
    " s\xEA",                     // 67 C
    " d\xEA",                     // 68 D
    "\xE9",                       // 69 E
    "\xE9" "fe",                  // 70 F
    "j\xEA",                      // 71 G
    "ag\xE1",                     // 72 H
    "i",                          // 73 I
    "j\xF3ta",                    // 74 J
    "c\xE1",                      // 75 K
    "\xE9le",                     // 76 L
    "\xEAme",                     // 77 M
    "\xEAne",                     // 78 N
    "\xF3",                       // 79 O
    "p\xEA",                      // 80 P
    "qu\xEA",                     // 81 Q
    "\xE9rre",                    // 82 R
    "\xE9sse",                    // 83 S
    "t\xEA",                      // 84 T
    "u",                          // 85 U
    "v\xEA",                      // 86 V
    "d\xE1" "bliu",               // 87 W
    "xis",                        // 88 X
    "\xEDpsilon",                 // 89 Y
    "z\xEA",                      // 90 Z
    "abre colchete",              // 91 [
    "barra invertida",            // 92 backslash
    "fecha colchete",             // 93 ]
    "circunflexo",                // 94 ^
    "sublinhado",                 // 95 _
    "crase",                      // 96 `
    "a",                          // 97 a
    "b\xEA",                      // 98 b
    " s\xEA",                     // 99 c
    " d\xEA",                     // 100 d
    "\xE9",                       // 101 e
    "\xE9" "fe",                  // 102 f
    "j\xEA",                      // 103 g
    "ag\xE1",                     // 104 h
    "i",                          // 105 i
    "jota",                       // 106 j
    "c\xE1",                      // 107 k
    "\xE9le",                     // 108 l
    "\xEAme",                     // 109 m
    "ene",                        // 110 n
    "\xF3",                       // 111 o
    "p\xEA",                      // 112 p
    "qu\xEA",                     // 113 q
    "\xE9rre",                    // 114 r
    "\xE9sse",                    // 115 s
    "t\xEA",                      // 116 t
    "u",                          // 117 u
    "v\xEA",                      // 118 v
    "d\xE1" "bliu",               // 119 w
    "xis",                        // 120 x
    "\xEDpsilon",                 // 121 y
    "z\xEA",                      // 122 z
    "abre chave",                 // 123 {
    "barra vertical",             // 124 |
    "fecha chave",                // 125 }
    "til",                        // 126 ~
};

// Codes 161 to 220: the Latin-1 signs and the upper-case accented letters.
// Codes 221 to 223 (Ý, Þ, ß) have no name.
constexpr std::array<std::string_view, 60> kLatin1 = {
    "exclama\xE7\xE3o reversa",   // 161
    "centavos de d\xF3lar",       // 162
    "libras",                     // 163
    "s\xEDmbolo de moeda",        // 164
    "iene",                       // 165
    "barra interrompida",         // 166
    "par\xE1grafo",               // 167
    "trema",                      // 168
    "copyright",                  // 169
    "ordinal feminino",           // 170
    "Aspas esquerdas",            // 171
    "nega\xE7\xE3o",              // 172
    "h\xED" "fen",                // 173
    "Marca registrada",           // 174
    "m\xE1" "cron",               // 175
    "grau",                       // 176
    "mais ou menos",              // 177
    "elevado ao quadrado",        // 178
    "elevado ao cubo",            // 179
    "acento agudo",               // 180
    "mi",                         // 181
    "pi",                         // 182
    "ponto no meio",              // 183
    "cedilha",                    // 184
    "expoente um",                // 185
    "ordinal masculino",          // 186
    "aspas direitas",             // 187
    "um quarto",                  // 188
    "um meio",                    // 189
    "tr\xEAs quartos",            // 190
    "interroga\xE7\xE3o reversa", // 191
    "A grave",                    // 192
    "A agudo",                    // 193
    "A circunflexo",              // 194
    "A com til",                  // 195
    "A com trema",                // 196
    "A bola",                     // 197
    "A \xC9",                     // 198
    "C\xEA cedilha",              // 199
    "\xC9 grave",                 // 200
    "\xC9 agudo",                 // 201
    "\xC9 circunflexo",           // 202
    "\xC9 com trema",             // 203
    "I grave",                    // 204
    "I agudo",                    // 205
    "I circunflexo",              // 206
    "I com trema",                // 207
    "D\xEA cortado",              // 208
    "N com til",                  // 209
    "\xD3 grave",                 // 210
    "\xD3 agudo",                 // 211
    "\xD3 circunflexo",           // 212
    "\xD3 com til",               // 213
    "\xD3 tremado",               // 214
    "vezes",                      // 215
    "\xD3 cortado",               // 216
    "U grave",                    // 217
    "U agudo",                    // 218
    "U circunflexo",              // 219
    "U com trema",                // 220
};

}  // namespace

std::string_view NomeDoCaractere(unsigned char codigo) {
  if (codigo >= 32 && codigo <= 126) return kAscii[codigo - 32];
  if (codigo >= 161 && codigo <= 220) return kLatin1[codigo - 161];
  // The lower-case accented letters share the name of their capital, 32 codes
  // below; so ÷ (247) reads as × (215), "vezes".
  if (codigo >= 224 && codigo <= 252) return kLatin1[codigo - 32 - 161];
  return {};
}

}  // namespace engine
