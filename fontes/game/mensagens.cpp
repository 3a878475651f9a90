// The game's fixed messages: a text printed in the console, then the
// recording of the same name.
#include "game/jogo.h"

namespace jogo {

namespace {

struct Mensagem {
  const char* codigo;
  const char* texto;
  bool fimDeLinha;
};

constexpr Mensagem kMensagens[] = {
    {"JGINIC", "JOGO DA MIRTALAN", true},
    {"JGSEMTRD", "Erro no arquivo do tradutor de portugues", true},
    {"JGARNENC", "Nao achei o arquivo MIRTALAN.PAL", true},
    {"JGMAXPAL", "Nao posso processar tantas palavras.", true},
    {"JGERRPAL", "Em MIRTALAN.PAL, um erro na linha ", false},
    {"JGPRGCAN", "O programa foi cancelado.", true},
    {"JGCABECA", "Desenhei a cabecinha...", true},
    {"JGPESCOC", "Desenhei o pescocinho...", true},
    {"JGTRONCO", "Desenhei o tronquinho...", true},
    {"JGBRADIR", "Desenhei o bracinho direito...", true},
    {"JGBRAESQ", "Desenhei o bracinho esquerdo...", true},
    {"JGPERDIR", "Desenhei a perninha direita...", true},
    {"JGPERESQ", "Desenhei a perninha esquerda...", true},
    {"JGPARABE", "Parabens !  Era essa palavra mesmo.", true},
    {"JGERA", "A palavra era: ", false},
    {"JGQUELET", "  -> Que letra ? ", false},
    {"JGREPETE", "Vou repetir o que voce falou:", true},
    {"JGDESIS", "Desistiu, ein, pamonha !", true},
    {"JGSOALFA", "So' tecle letras, por favor.", true},
    {"JGLETREP", "Letra repetida, bestinha ?", true},
    {"JGENFORC", "Foi enforcado, boboca.", true},
    {"JGDENOVO", "Quer jogar de novo (s/n) ? ", false},
    {"JGTCHAU", "Tchau nenem...", true},
    // Word lists too short to play with.
    {"JGSEMPAL", "Nao ha palavras em MIRTALAN.PAL", true},
    {"JGUMAPAL", "So' ha uma palavra em MIRTALAN.PAL", true},
};

}  // namespace

void Jogo::SayMessage(std::string_view code) {
  for (const Mensagem& m : kMensagens) {
    if (code != m.codigo) continue;
    if (m.fimDeLinha) console_.WriteLine(m.texto);
    else console_.Write(m.texto);
    break;
  }
  fala_.PlayNamedSound(code);
}

}  // namespace jogo
