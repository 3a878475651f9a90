// Keyboard input: the key queue with PC key codes, Alt codes, the six-key
// Braille chord mode with its signs, the caret, and the signal tones.
#include <algorithm>
#include <string>

#include "console/console.h"
#include "plataforma/diario.h"

namespace console {

using plataforma::Mensagem;

namespace {

// Scan codes (set 1) of "A" to "Z", queued after 0 for Alt+letter.
constexpr uint8_t kScanLetra[26] = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                    49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
// Codes for Alt+"0" to Alt+"9".
constexpr uint8_t kAltDigito[10] = {129, 120, 121, 122, 123, 124, 125, 126, 127, 128};

struct TeclaEstendida {
  uint32_t vk;
  uint8_t codigo, comCtrl;
};
constexpr TeclaEstendida kEstendidas[] = {
    {plataforma::VK_INSERT, 82, 255}, {plataforma::VK_DELETE, 83, 83}, {plataforma::VK_HOME, 71, 119},
    {plataforma::VK_END, 79, 117},    {plataforma::VK_PRIOR, 73, 132}, {plataforma::VK_NEXT, 81, 118},
    {plataforma::VK_UP, 72, 113},     {plataforma::VK_DOWN, 80, 114},  {plataforma::VK_LEFT, 75, 115},
    {plataforma::VK_RIGHT, 77, 116},
};

// The Braille cell for each dot pattern (bit 0 = dot 1 ... bit 5 = dot 6).
constexpr uint8_t kBrailleTable[64] = {
    0x20, 0x61, 0x2C, 0x62, 0x27, 0x6B, 0x3B, 0x6C, 0x5E, 0x63, 0x69, 0x66, 0xED, 0x6D, 0x73, 0x70,
    0x7E, 0x65, 0x3A, 0x68, 0x2A, 0x6F, 0x21, 0x72, 0xAC, 0x64, 0x6A, 0x67, 0xE3, 0x6E, 0x74, 0x71,
    0xFD, 0xE2, 0x3F, 0xEA, 0x2D, 0x75, 0x22, 0x76, 0x7B, 0xEE, 0xF5, 0xE0, 0xF3, 0x78, 0xE8, 0xE7,
    0x24, 0xFB, 0xFF, 0xFC, 0x7D, 0x7A, 0x3D, 0xE1, 0x5F, 0xF4, 0x77, 0xEF, 0x23, 0x79, 0xFA, 0xE9,
};

constexpr uint8_t kSemCaractere = 254;
constexpr uint8_t kSinalMaiuscula = 0x7B, kSinalNumero = 0x23;

// Dot bit of a chord key: F D S J K L and the space bar.
uint8_t BitDoAcorde(uint32_t vk) {
  switch (vk) {
    case 'F': return 1;
    case 'D': return 2;
    case 'S': return 4;
    case 'J': return 8;
    case 'K': return 16;
    case 'L': return 32;
    case plataforma::VK_SPACE: return 64;
    default: return 0;
  }
}

bool Letra(uint32_t vk) { return vk >= 'A' && vk <= 'Z'; }

}  // namespace

bool Console::Enfileirar(std::initializer_list<uint8_t> bytes) {
  if (kTamanhoFila - contagem_ < int(bytes.size())) return false;
  for (uint8_t b : bytes) fila_[contagem_++] = b;
  return true;
}

void Console::OnChar(const Mensagem& m) {
  uint8_t c = m.caractere;
  bool letra = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
  if (brailleMode_ != 0 && (c == ' ' || letra)) return;
  if (c == 8) Enfileirar({uint8_t(m.ctrl ? 127 : 8)});
  else if (c == 13) Enfileirar({uint8_t(m.ctrl ? 10 : 13)});
  else Enfileirar({c});
}

void Console::OnSysKeyDown(const Mensagem& m) {
  if (!breakHandling_ || m.tecla == plataforma::VK_LEFT || m.tecla == plataforma::VK_RIGHT)
    OnKeyDown(m);
  else
    DefaultWindowProc(m);
}

void Console::OnKeyDown(const Mensagem& m) {
  uint32_t v = m.tecla;
  if (breakHandling_ && v == plataforma::VK_CANCEL) EncerrarPorBreak();
  if (m.alt) {
    if (m.ctrl && v == plataforma::VK_F12) {
      SetBrailleMode(0);
      return;
    }
    if (m.ctrl && v == plataforma::VK_F12 - 1) {
      SetBrailleMode(brailleMode_ + 1);
      return;
    }
    if (v >= '0' && v <= '9') {
      Enfileirar({0, kAltDigito[v - '0']});
      return;
    }
    if (Letra(v)) {
      Enfileirar({0, kScanLetra[v - 'A']});
      return;
    }
  }
  if (!m.ctrl && brailleMode_ != 0) {
    if (uint8_t bit = BitDoAcorde(v)) {
      acorde_ |= bit;
      teclasPresas_ |= bit;
      return;
    }
  }
  if (v >= plataforma::VK_F1 && v <= plataforma::VK_F12) {
    int n = int(v - plataforma::VK_F1) + 1;
    Enfileirar({0, uint8_t(m.ctrl ? 93 + n : 58 + n)});
    return;
  }
  for (const TeclaEstendida& t : kEstendidas) {
    if (t.vk != v) continue;
    uint8_t codigo = m.ctrl ? t.comCtrl : (t.comCtrl == 255 && m.shift) ? uint8_t(254) : t.codigo;
    Enfileirar({0, codigo});
    return;
  }
}

void Console::OnKeyUp(const Mensagem& m) {
  if (brailleMode_ == 0) return DefaultWindowProc(m);
  uint32_t v = m.tecla;
  if (m.ctrl || !(v == plataforma::VK_SPACE || Letra(v))) {
    capital_ = capsLock_ = numero_ = false;
    return DefaultWindowProc(m);
  }
  teclasPresas_ &= uint8_t(~BitDoAcorde(v));
  if (teclasPresas_ == 0) CompletarAcorde();
}

void Console::CompletarAcorde() {
  uint8_t c;
  if (acorde_ < 64) {
    c = kBrailleTable[acorde_];
    if (brailleMode_ == 2) c = AplicarSinais(c);
  } else {
    capital_ = capsLock_ = numero_ = false;
    c = acorde_ == 64 ? uint8_t(' ') : uint8_t(kBrailleTable[acorde_ & 63] & 31);
  }
  if (c != kSemCaractere) Enfileirar({c});
  acorde_ = 0;
}

uint8_t Console::AplicarSinais(uint8_t c) {
  if (numero_) {
    if (c == '\'') c = '.';
    else if (c >= 'a' && c <= 'i') c = uint8_t('1' + (c - 'a'));
    else if (c == 'j') c = '0';
    else if (c == '~') numero_ = false;
  }
  if ((capital_ || capsLock_) && c >= 'a' && c <= 'z') c = uint8_t(c - 32);
  if (c == kSinalNumero) {
    numero_ = true;
    c = kSemCaractere;
  } else if (c == kSinalMaiuscula) {
    if (capital_) capsLock_ = true;
    capital_ = true;
    c = kSemCaractere;
  } else {
    capital_ = false;
  }
  return c;
}

void Console::SetBrailleMode(int m) {
  if (m > 2) m = 1;
  if (m == 0) {
    acorde_ = teclasPresas_ = 0;
    capital_ = capsLock_ = numero_ = false;
    if (brailleMode_ != 0) TocarSinal(100);
  } else {
    TocarSinal(800);
    TocarSinal(m == 1 ? 1600 : 400);
  }
  brailleMode_ = m;
}

void Console::TocarSinal(int frequencia) {
  PlayTone(frequencia);
  PauseMs(200);
  StopTone();
}

void Console::PlayTone(int f) {
  StopTone();
  constexpr int kTaxa = 11025, kTamanho = 11071, kCabecalho = 44;
  if (f <= 0 || kTaxa / f < 1) return;
  const int p = kTaxa / f;
  tom_.assign(kTamanho, 128);
  int dados = 0;
  for (long k = 0;; ++k) {
    int inicio = int(k * kTaxa / f);
    if (kCabecalho + inicio > kTaxa - p) {
      dados = inicio;
      break;
    }
    for (int i = 0; i < p; ++i) tom_[kCabecalho + inicio + i] = i < p / 2 ? 96 : 160;
  }
  tom_[kCabecalho + dados - 1] = 128;
  auto escrever32 = [this](int pos, uint32_t v) {
    for (int i = 0; i < 4; ++i) tom_[pos + i] = uint8_t(v >> (8 * i));
  };
  auto escrever16 = [this](int pos, uint16_t v) {
    tom_[pos] = uint8_t(v);
    tom_[pos + 1] = uint8_t(v >> 8);
  };
  std::copy_n("RIFF", 4, tom_.begin());
  escrever32(4, uint32_t(dados + 36));
  std::copy_n("WAVEfmt ", 8, tom_.begin() + 8);
  escrever32(16, 16);
  escrever16(20, 1);
  escrever16(22, 1);
  escrever32(24, kTaxa);
  escrever32(28, kTaxa);
  escrever16(32, 1);
  escrever16(34, 8);
  std::copy_n("data", 4, tom_.begin() + 36);
  escrever32(40, uint32_t(dados));
  tom_.resize(size_t(kCabecalho + dados));
  plataforma_.audio().TocarEmLaco(tom_.data(), tom_.size());
}

void Console::StopTone() {
  if (tom_.empty()) return;
  plataforma_.audio().PararLaco();
  tom_.clear();
}

bool Console::KeyWaiting() {
  EnsureConsole();
  PumpAllMessages();
  return contagem_ > 0;
}

uint8_t Console::NextKey() {
  if (contagem_ == 0) {
    esperando_ = true;
    MostrarCaret();
    while (!KeyWaiting()) janela_.EsperarMensagem(true);
    EsconderCaret();
    esperando_ = false;
  }
  uint8_t b = fila_[0];
  std::copy(fila_.begin() + 1, fila_.begin() + contagem_, fila_.begin());
  --contagem_;
  plataforma::diario::Registrar("tecla", std::to_string(b));
  return b;
}

int Console::ReadLine(uint8_t* buffer, uint16_t capacity) {
  if (capacity < 2) return 0;
  int i = 0;
  uint8_t b;
  do {
    b = NextKey();
    if (b == 8) {
      if (i > 0) {
        --i;
        WriteChar(8);
      }
    } else if (b >= 32 && i < int(capacity) - 2) {
      buffer[i++] = b;
      WriteChar(b);
    }
  } while (b != 13);
  buffer[i] = 13;
  buffer[i + 1] = 10;
  WriteChar(13);
  WriteChar(10);
  return i + 2;
}

void Console::MostrarCaret() {
  if (!esperando_ || !focada_ || caretVisivel_) return;
  const plataforma::Metricas& m = metricas_;
  janela_.MostrarCaret((janelaTexto_.left + cursorColuna_) * m.larguraCelula,
                       (janelaTexto_.top + cursorLinha_) * m.alturaLinha + m.ascendente, m.larguraCelula, 2);
  caretVisivel_ = true;
}

void Console::EsconderCaret() {
  if (!caretVisivel_) return;
  janela_.EsconderCaret();
  caretVisivel_ = false;
}

void Console::OnSetFocus() {
  focada_ = true;
  MostrarCaret();
}

void Console::OnKillFocus() {
  EsconderCaret();
  focada_ = false;
}

void Console::EncerrarPorBreak() {
  EsconderCaret();
  plataforma::EncerrarPrograma(255);
}

}  // namespace console
