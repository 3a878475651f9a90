// The word list: read once at start-up and validated strictly, so a player
// never meets a malformed word.
#include <cstdio>
#include <memory>
#include <string>

#include "game/jogo.h"
#include "plataforma/arquivos.h"
#include "plataforma/diario.h"

namespace jogo {

namespace {

constexpr int kCtrlZ = 26;

struct Fechador {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void Jogo::LoadWordList() {
  std::unique_ptr<std::FILE, Fechador> arquivo(plataforma::AbrirArquivo(WordListPath, "rb"));
  if (!arquivo) {
    SayMessage("JGARNENC");
    CancelarPrograma("JGPRGCAN");
  }
  std::FILE* f = arquivo.get();
  WordList.clear();
  WordCount = 0;
  auto fimDoTexto = [f] {
    int c = std::getc(f);
    if (c == EOF || c == kCtrlZ) return true;
    std::ungetc(c, f);
    return false;
  };
  while (!fimDoTexto()) {
    if (WordCount >= kMaxPalavras) {
      SayMessage("JGMAXPAL");
      CancelarPrograma("JGPRGCAN");
    }
    // One line: every character is checked, the first 40 are kept.
    std::string linha;
    for (int c; (c = std::getc(f)) != EOF && c != '\n';) {
      if (c == kCtrlZ) {
        std::ungetc(c, f);
        break;
      }
      if (c == '\r') continue;
      if (c >= 'a' && c <= 'z') c -= 32;
      if (c < 'A' || c > 'Z') ErroNaLista(WordCount + 1);
      if (linha.size() < kTamanhoPalavra) linha += char(c);
    }
    WordList.push_back(linha);
    ++WordCount;
  }
  plataforma::diario::Registrar("palavras", std::to_string(WordCount));
  // Too few words to play with: a clear message in place of a game that
  // cannot choose, or that repeats its only word.
  if (WordCount == 0) {
    SayMessage("JGSEMPAL");
    CancelarPrograma("JGPRGCAN");
  }
  if (WordCount == 1) SayMessage("JGUMAPAL");
}

void Jogo::ErroNaLista(int linha) {
  SayMessage("JGERRPAL");
  std::string numero = std::to_string(linha);
  console_.WriteLine(numero);
  for (char digito : numero) {
    fala_.SpeakChar(uint8_t(digito));
    EsperarFala();
    console_.PauseMs(200);
  }
  CancelarPrograma("JGPRGCAN");
}

// Ends the program after the message, with the normal exit code and
// without closing the window first.
void Jogo::CancelarPrograma(std::string_view codigo) {
  SayMessage(codigo);
  plataforma::EncerrarPrograma(0);
}

}  // namespace jogo
