// fala: the speech pipeline from the command line, for people who write
// rules and for checking what the game would say. It reads TALVEN.INI like
// the game and runs on the headless platform, so nothing is played.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "plataforma/arquivos.h"
#include "plataforma/ini.h"
#include "plataforma/texto1252.h"
#include "tradutor/frontend/modulos.h"

namespace {

constexpr const char* kUso =
    "uso: fala --fonetica TEXTO     a cadeia fonetica das regras de leitura\n"
    "       fala --numero N         o numero por extenso\n"
    "       fala --sons TEXTO       o que a voz toca, uma linha por som\n"
    "       fala --difones FONETICO as pecas que o sintetizador junta\n"
    "       fala --wav SAIDA.wav TEXTO  o que se ouviria, num arquivo\n";

std::string ParaTerminal(std::string_view s) {
  std::string r;
  for (unsigned char c : s) r += c < 0x80 ? std::string(1, char(c)) : plataforma::Cp1252ParaUtf8(c);
  return r;
}

std::string Juntar(const std::vector<std::string>& partes, size_t de) {
  std::string r;
  for (size_t i = de; i < partes.size(); ++i) r += (i > de ? " " : "") + partes[i];
  return plataforma::Utf8Para1252(r);
}

void Imprimir(const diphone::Peca& p) {
  using T = diphone::Peca::Tipo;
  switch (p.tipo) {
    case T::Unidade: std::cout << "unidade " << p.nome << " " << p.bytes << "\n"; break;
    case T::Letra: std::cout << "letra " << p.nome << " " << p.bytes << "\n"; break;
    case T::Ruido: std::cout << "ruido " << p.bytes << "\n"; break;
    case T::Silencio: std::cout << "silencio " << p.bytes << "\n"; break;
    // Misses inside a replacement are only the search for it; the pieces
    // that were heard are printed on their own lines.
    case T::Falta:
      if (p.nivel == 0) std::cout << "falta " << p.nome << "\n";
      break;
  }
}

int Executar(const std::string& modo, const std::vector<std::string>& args) {
  auto plataforma = plataforma::CriarPlataformaNenhuma();
  if (!plataforma) return 1;
  frontend::Modulos m(*plataforma);
  frontend::FrontEnd& fala = m.fala;
  fala.SpeechStart(0, "");
  if (modo == "--sons") {
    fala.observador = [](std::string_view tipo, std::string_view valor) {
      std::cout << tipo << " " << valor << "\n";
    };
    fala.SpeakText(Juntar(args, 2));
  } else if (modo == "--difones") {
    fala.difone().observador = Imprimir;
    fala.difone().DifSpeak(Juntar(args, 2), false);
  } else {
    fala.SpeakText(Juntar(args, 3));
    while (fala.IsSpeaking()) m.console.WaitMessage();
  }
  fala.SpeechFinish();
  return 0;
}

}  // namespace

// The rules alone, from the diphone directory, so they can be written and
// checked before any unit database exists.
int Fonetica(const std::string& texto) {
  std::string dir = plataforma::CaminhoLocal(plataforma::LerPerfil(
      "TALVEN.INI", "TRADUTOR", "DIRDIFONES", plataforma::DiretorioDeDados() + "/difones", 80));
  if (!dir.empty() && dir.back() != '/') dir += '/';
  diphone::RegrasLts regras;
  if (!regras.LtsLoadRules(dir + "regras.rgr") || !regras.LtsLoadExceptions(dir + "portug.exc")) {
    std::cerr << "fala: nao consegui ler regras.rgr e portug.exc em " << dir << "\n";
    return 1;
  }
  std::cout << ParaTerminal(regras.LtsTranslate(texto)) << "\n";
  return 0;
}

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  std::string modo = args.size() > 1 ? args[1] : "";
  size_t minimo = modo == "--wav" ? 4 : 3;
  bool conhecido = modo == "--fonetica" || modo == "--numero" || modo == "--sons" || modo == "--difones" ||
                   modo == "--wav";
  if (!conhecido || args.size() < minimo) {
    std::cerr << kUso;
    return 2;
  }
  if (modo == "--numero") {
    char* fim = nullptr;
    unsigned long long n = std::strtoull(args[2].c_str(), &fim, 10);
    if (*fim != '\0' || args[2].empty() || args[2][0] == '-' || n > 0xFFFFFFFFull) {
      std::cerr << "fala: o numero deve ser um inteiro de 0 a 4294967295\n";
      return 2;
    }
    std::cout << ParaTerminal(diphone::Numeros::NumToWords(n)) << "\n";
    return 0;
  }
  if (modo == "--fonetica") return Fonetica(Juntar(args, 2));
  // The headless platform writes the whole sound timeline to TALVEN_SOM.
  setenv("TALVEN_TELA", "nenhuma", 1);
  unsetenv("TALVEN_TECLAS");
  unsetenv("TALVEN_TELA_FINAL");
  if (modo == "--wav") setenv("TALVEN_SOM", args[2].c_str(), 1);
  else unsetenv("TALVEN_SOM");
  try {
    return Executar(modo, args);
  } catch (const plataforma::FimDoPrograma&) {
    std::cerr << "fala: a voz nao abriu; confira em TALVEN.INI [SINTETIZADOR] DIFONESn e [TRADUTOR] "
                 "DIRLETRAS e DIRDIFONES\n";
    return 1;
  }
}
