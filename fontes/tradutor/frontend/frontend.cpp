// Speech set-up, the speaking operations and the own text pipeline.
#include "tradutor/frontend/frontend.h"

#include <random>

#include "plataforma/arquivos.h"
#include "plataforma/diario.h"
#include "plataforma/ini.h"
#include "plataforma/wav.h"

namespace frontend {

namespace {

constexpr uint32_t kAcordar = 1123;  // wakes a loop sleeping in WaitMessage

bool Digito(char c) { return c >= '0' && c <= '9'; }
bool Letra(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 128; }
bool DoConjuntoDePalavras(unsigned char c) { return c == ' ' || Letra(c); }
bool Pontuacao(char c) { return c == '(' || c == ')' || c == ',' || c == '.' || c == ':' || c == ';'; }

// Directories keep a trailing "/" and "/" separators.
std::string ComBarra(std::string d) {
  d = plataforma::CaminhoLocal(d);
  if (!d.empty() && d.back() != '/') d += '/';
  return d;
}

}  // namespace

std::string UpperLatin1(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    unsigned char u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || u >= 224) c = char(u - 32);
  }
  return r;
}

FrontEnd::FrontEnd(console::Console& console, const Configuracao& configuracao, wave::WavePlayer& wave,
                   diphone::RegrasLts& lts, voices::Despachante& despachante)
    : console_(console),
      configuracao_(configuracao),
      wave_(wave),
      lts_(lts),
      despachante_(despachante),
      difone_(lts, *this),
      numeros_(difone_, *this) {
  // The tick: 64 samples of noise drawn once, then silence; the header is
  // written before each use.
  std::mt19937 gerador(1123);
  tique_.fill(128);
  for (size_t i = wave::kTamanhoCabecalho; i < wave::kTamanhoCabecalho + 64; ++i)
    tique_[i] = uint8_t(128 + gerador() % 60);
}

// ---- Set-up ----

void FrontEnd::IniciarFala(int speed, std::string_view messageDirectory) {
  if (speed < 1) speed = int(NumeroInicial(configuracao_.GetConfigValue("TRADUTOR", "VELOCIDADE")));
  if (speed < 1 || speed > 5) speed = 3;
  LoadSynthSettings(speed);
  if (int r = difone_.DifOpen()) {
    console_.WriteLine("Erro de inicializa\xE7\xE3o: " + std::to_string(r));
    console_.WriteLine("Banco de dados de voz: " + difone_.Base());
    difone_.DifClose();
    std::string linha;
    std::getline(console_.Entrada(), linha);
    console_.CloseConsole();
  }
  mensagensDir_ = messageDirectory.empty() ? std::string() : ComBarra(std::string(messageDirectory));
  letrasDir_ = ComBarra(plataforma::LerPerfil("TALVEN.INI", "TRADUTOR", "DIRLETRAS",
                                              plataforma::DiretorioDeDados() + "/letras/", 255));
  backendAtivo_ = false;
  if (FlagLigada(configuracao_.GetConfigValue("TRADUTOR", "SAPI"))) {
    auto numero = [this](const char* chave) { return int(NumeroInicial(configuracao_.GetConfigValue("SERVFALA", chave))); };
    int voz = numero("VOZ"), velocidade = numero("VELOCIDADE"), tom = numero("TOM"), tipo = numero("TIPOSAPI");
    if (tipo != 4 && velocidade > 10) velocidade = 0;
    backendAtivo_ = despachante_.BackendInit(voz, velocidade, tom, tipo, arquivoSaida_);
    backendTipo_ = tipo;
  }
}

void FrontEnd::LoadSynthSettings(int n) {
  speedIndex_ = n;
  const std::string s = std::to_string(n);
  auto valor = [&](const char* chave) { return configuracao_.GetConfigValue("SINTETIZADOR", chave + s); };
  // A number that is not all there takes the default.
  auto numeroOu = [&](const char* chave, int padrao) {
    bool completo;
    long v = NumeroInicial(valor(chave), &completo);
    return completo ? int(v) : padrao;
  };
  difone_.DefinirBase(valor("DIFONES").substr(0, 8));
  int corte = int(NumeroInicial(valor("CORTEFON")));
  int minimo = numeroOu("SOBRAFON", 0);
  int pausa = numeroOu("INTERPAL", 0);
  bool cortaFala = FlagLigada(valor("CORTAFALA"));
  bool rapidinho = FlagLigada(valor("RAPIDINHO"));
  SetSynthOptions(corte, minimo, pausa, rapidinho, cortaFala);
  pausaPonto_ = numeroOu("PAUSAPONTO", 250);
  pausaVirgula_ = numeroOu("PAUSAVIRG", 150);
  pausaDoisPontos_ = numeroOu("PAUSADOISPONTOS", 200);
}

void FrontEnd::SetSynthOptions(int diphoneCut, int diphoneMinimum, int wordPause, bool fast, bool cut) {
  difone_.DifSetProsody(diphoneCut, diphoneMinimum, wordPause);
  wave_.FastPlayback = fast;
  wave_.CutSpeech = cut;
}

void FrontEnd::TerminarFala() {
  EsperarFala();
  SpeechStop();
  if (backendAtivo_) {
    despachante_.BackendFinish();
    backendAtivo_ = false;
  }
  difone_.DifClose();
}

// ---- Speaking operations ----

bool FrontEnd::IsSpeaking() {
  if (console_.KeyWaiting()) {
    SpeechStop();
    return false;
  }
  if (backendAtivo_) return wave_.WavIsPlaying() || despachante_.BackendBusy(0);
  return wave_.WavIsPlaying();
}

void FrontEnd::EsperarFala() {
  while (IsSpeaking()) console_.WaitMessage();
}

void FrontEnd::WaitPending() {
  if (!esperaPendente_) return;
  EsperarFala();
  esperaPendente_ = false;
}

void FrontEnd::SpeechStop() {
  wave_.WavStop();
  cancelado_ = true;
  if (backendAtivo_ && (despachante_.BackendBusy(0) || backendTipo_ == 3)) despachante_.BackendStop();
  console_.PostMessage(kAcordar);
}

void FrontEnd::TocarArquivo(const std::string& caminho) {
  if (observador) observador("arquivo", caminho.substr(caminho.find_last_of('/') + 1));
  wave_.WavPlayFile(caminho);
}

void FrontEnd::FalarCaractere(uint8_t c) {
  WaitPending();
  TocarArquivo(difone_.DirLetras() + "_" + std::to_string(c) + ".wav");
}

void FrontEnd::TocarSomNomeado(std::string_view name) {
  WaitPending();
  const std::string& dir = !name.empty() && name[0] == '_' ? letrasDir_ : mensagensDir_;
  TocarArquivo(dir + std::string(name) + ".wav");
}

void FrontEnd::PlayImageAndWait(const uint8_t* image, size_t size) {
  WaitPending();
  plataforma::ImagemWav wav;
  if (observador && plataforma::LerImagemWav(image, size, wav)) observador("imagem", std::to_string(wav.bytes));
  wave_.WavPlayMemory(image, size);
  EsperarFala();
}

void FrontEnd::SpellText(std::string_view s) {
  for (char c : s) {
    if (console_.KeyWaiting()) return;
    SpeakChar(uint8_t(c));
  }
}

void FrontEnd::SpeechPause(int ms) {
  if (observador && ms >= 50) observador("pausa", std::to_string(ms / 50 * 50));
  for (int i = 0; i < ms / 50; ++i)
    if (!console_.KeyWaiting()) console_.PauseMs(50);
}

void FrontEnd::PlayTick() {
  WaitPending();
  bool cortar = wave_.CutSpeech;
  wave_.CutSpeech = false;
  wave::WavBuildHeader(tique_.data(), 256, 11025, 8, 1);
  PlayImageAndWait(tique_.data(), tique_.size());
  wave_.CutSpeech = cortar;
}

void FrontEnd::SpeakPunctuation(std::string_view s) {
  if (console_.KeyWaiting()) return;
  EsperarFala();
  char p = s[0];
  SpeakChar(uint8_t(p));
  bool brancoDepois = s.size() > 1 && s[1] == ' ';
  if (p == '(' || p == ')' || p == ':' || p == ';') SpeechPause(pausaDoisPontos_);
  else if ((p == ',' || p == '-') && brancoDepois) SpeechPause(pausaVirgula_);
  else if (p == '.' && brancoDepois) SpeechPause(pausaPonto_);
}

void FrontEnd::FalarTexto(std::string_view text) {
  if (backendAtivo_) {
    EsperarFala();
    if (console_.KeyWaiting()) return;
    despachante_.BackendSpeak(text);
    esperaPendente_ = true;
    return;
  }
  FalarPeloPipeline(std::string(text) + ' ');
}

void FrontEnd::FalarPeloPipeline(std::string texto) {
  char ultimo = ' ';
  int repeticoes = 0;
  cancelado_ = false;
  while (!cancelado_ && !texto.empty()) {
    if (console_.KeyWaiting()) {
      SpeechStop();
      return;
    }
    // Leading zeros are spoken one by one with the recorded zero.
    while (!texto.empty() && texto[0] == '0') {
      PlayNamedSound("_zero");
      texto.erase(0, 1);
    }
    if (texto.empty()) break;
    if (texto[0] >= '1' && texto[0] <= '9') {
      size_t n = 0;
      while (n < texto.size() && (Digito(texto[n]) || texto[n] == '-')) ++n;
      std::string numero = texto.substr(0, n);
      texto.erase(0, n);
      if (numero.find('-') != std::string::npos || numero.size() >= 7)
        SpellText(numero);
      else
        numeros_.NumSpeakWords(diphone::Numeros::NumToWords(uint32_t(std::stoul(numero))), false);
    } else if (DoConjuntoDePalavras(uint8_t(texto[0]))) {
      size_t n = 0;
      while (n < texto.size() && DoConjuntoDePalavras(uint8_t(texto[n]))) ++n;
      std::string corrida = texto.substr(0, n);
      texto.erase(0, n);
      if (UpperLatin1(corrida) == "WWW") {
        SpellText(corrida);
      } else {
        fonetica_ = lts_.LtsTranslate(std::string_view(corrida).substr(0, 999));
        difone_.DifSpeak(fonetica_, false);
      }
      // A hyphenated word: the hyphen is not spoken.
      if (texto.size() >= 2 && texto[0] == '-' && Letra(uint8_t(texto[1]))) texto.erase(0, 1);
    } else {
      char c = texto[0];
      // From the fifth equal symbol on, each one sounds as a tick.
      if (c == ultimo) {
        if (++repeticoes > 3) {
          PlayTick();
          c = ' ';
        }
      } else {
        repeticoes = 0;
        ultimo = c;
      }
      if (texto[0] == '-') {
        char proximo = texto.size() < 3 ? ' ' : texto[1];
        if (proximo == ' ' || proximo == '-') SpeakPunctuation(texto);
        else if (Digito(proximo)) PlayNamedSound("_MENOS");
        else SpeakChar('-');
      } else if (texto.compare(0, 3, "://") == 0) {
        SpeakChar(':');
      } else if (Pontuacao(c)) {
        SpeakPunctuation(texto);
      } else if (c != ' ' && c != '\t' && !console_.KeyWaiting()) {
        SpeakChar(uint8_t(c));
      }
      texto.erase(0, 1);
    }
  }
}

}  // namespace frontend
