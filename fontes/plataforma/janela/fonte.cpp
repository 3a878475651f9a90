// The console font: the face found through fontconfig, rendered once into an
// atlas of cells so that drawing a run is a fill and one copy per glyph.
#include <fontconfig/fontconfig.h>
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <vector>

#include "plataforma/janela/sdl.h"
#include "plataforma/texto1252.h"

namespace plataforma::sdl {

std::string ParaUtf8(std::string_view texto1252) {
  std::string saida;
  saida.reserve(texto1252.size());
  for (char c : texto1252) saida += Cp1252ParaUtf8(static_cast<unsigned char>(c));
  return saida;
}

namespace {

constexpr int kPrimeiroByte = 32, kBytes = 256 - kPrimeiroByte, kColunasAtlas = 16;

struct Face {
  std::string arquivo;
  int indice = 0;
};

bool TemFamilia(FcPattern* fonte, const std::string& familia) {
  FcChar8* nome = nullptr;
  for (int i = 0; FcPatternGetString(fonte, FC_FAMILY, i, &nome) == FcResultMatch; ++i)
    if (strcasecmp(reinterpret_cast<const char*>(nome), familia.c_str()) == 0) return true;
  return false;
}

// The file fontconfig picks for a family; with exigirFamilia, only a face of
// that very family counts, because fontconfig answers a missing family with
// some proportional face that would not suit a character grid.
bool Procurar(const std::string& familia, bool exigirFamilia, Face& face) {
  FcPattern* pedido = FcNameParse(reinterpret_cast<const FcChar8*>(familia.c_str()));
  if (!pedido) return false;
  FcConfigSubstitute(nullptr, pedido, FcMatchPattern);
  FcDefaultSubstitute(pedido);
  FcResult resultado;
  FcPattern* achada = FcFontMatch(nullptr, pedido, &resultado);
  FcPatternDestroy(pedido);
  if (!achada) return false;
  FcChar8* arquivo = nullptr;
  bool ok = FcPatternGetString(achada, FC_FILE, 0, &arquivo) == FcResultMatch &&
            (!exigirFamilia || TemFamilia(achada, familia));
  if (ok) {
    face.arquivo = reinterpret_cast<const char*>(arquivo);
    if (FcPatternGetInteger(achada, FC_INDEX, 0, &face.indice) != FcResultMatch) face.indice = 0;
  }
  FcPatternDestroy(achada);
  return ok;
}

bool AcharFace(const std::string& face1252, Face& face) {
  std::string familia = ParaUtf8(face1252);
  if (!familia.empty() && Procurar(familia, true, face)) return true;
  return Procurar("monospace", false, face);
}

// Point size whose line height comes closest to the cell height; heights do
// not grow exactly in proportion to the size, so the neighbours of the
// proportional estimate are tried too.
void AjustarTamanho(TTF_Font* fonte, int altura) {
  TTF_SetFontSize(fonte, altura);
  int estimado = std::max(1, altura * altura / std::max(1, TTF_FontHeight(fonte)));
  int melhor = estimado, menorErro = INT_MAX;
  for (int tamanho = std::max(1, estimado - 2); tamanho <= estimado + 2; ++tamanho) {
    TTF_SetFontSize(fonte, tamanho);
    int erro = std::abs(TTF_FontHeight(fonte) - altura);
    if (erro < menorErro) menorErro = erro, melhor = tamanho;
  }
  TTF_SetFontSize(fonte, melhor);
}

// Area-weighted resampling of n samples into m: each output averages the
// source span it covers, so a glyph squeezed into a narrower cell keeps its
// thin strokes instead of losing whole columns.
void Reamostrar(const float* origem, int n, int passoOrigem, float* destino, int m, int passoDestino) {
  const double escala = double(n) / m;
  for (int i = 0; i < m; ++i) {
    double inicio = i * escala, fim = inicio + escala, soma = 0;
    for (int j = int(inicio); j < n && j < fim; ++j)
      soma += origem[j * passoOrigem] * (std::min(fim, j + 1.0) - std::max(inicio, double(j)));
    destino[i * passoDestino] = float(soma / escala);
  }
}

// Coverage of one glyph box (largura x altura) scaled to the cell size.
std::vector<float> Escalar(const std::vector<float>& caixa, int largura, int altura, int larguraCelula,
                           int alturaCelula) {
  std::vector<float> meio(size_t(larguraCelula) * altura), celula(size_t(larguraCelula) * alturaCelula);
  for (int y = 0; y < altura; ++y)
    Reamostrar(&caixa[size_t(y) * largura], largura, 1, &meio[size_t(y) * larguraCelula], larguraCelula, 1);
  for (int x = 0; x < larguraCelula; ++x)
    Reamostrar(&meio[x], altura, larguraCelula, &celula[x], alturaCelula, larguraCelula);
  return celula;
}

// The Unicode character of a Windows-1252 byte (at most three UTF-8 bytes).
Uint32 Caractere(unsigned char byte) {
  std::string s = Cp1252ParaUtf8(byte);
  auto u = [&s](size_t i) { return Uint32(static_cast<unsigned char>(s[i])); };
  switch (s.size()) {
    case 1: return u(0);
    case 2: return (u(0) & 0x1F) << 6 | (u(1) & 0x3F);
    case 3: return (u(0) & 0x0F) << 12 | (u(1) & 0x3F) << 6 | (u(2) & 0x3F);
  }
  return 0xFFFD;
}

// The glyph's coverage (its alpha, drawn in white) inside the box of one
// advance by one line height, starting at the pen position.
std::vector<float> Cobertura(TTF_Font* fonte, unsigned char byte, int avanco, int altura) {
  std::vector<float> caixa(size_t(avanco) * altura, 0.0f);
  Uint32 caractere = Caractere(byte);
  SDL_Surface* bruta = TTF_RenderGlyph32_Blended(fonte, caractere, SDL_Color{255, 255, 255, 255});
  if (!bruta) return caixa;
  SDL_Surface* glifo = SDL_ConvertSurfaceFormat(bruta, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(bruta);
  if (!glifo) return caixa;
  // A glyph reaching left of the pen is rendered shifted right by that much.
  int minx = 0;
  TTF_GlyphMetrics32(fonte, caractere, &minx, nullptr, nullptr, nullptr, nullptr);
  int deslocamento = std::max(0, -minx);
  SDL_LockSurface(glifo);
  for (int y = 0; y < std::min(altura, glifo->h); ++y) {
    auto linha =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(glifo->pixels) + y * glifo->pitch);
    for (int x = 0; x < avanco && x + deslocamento < glifo->w; ++x)
      caixa[size_t(y) * avanco + x] = float(linha[x + deslocamento] >> 24) / 255.0f;
  }
  SDL_UnlockSurface(glifo);
  SDL_FreeSurface(glifo);
  return caixa;
}

SDL_Rect CelulaDoAtlas(unsigned char byte, int largura, int altura) {
  int i = byte - kPrimeiroByte;
  return {i % kColunasAtlas * largura, i / kColunasAtlas * altura, largura, altura};
}

// Every glyph into its cell of a white surface whose alpha is the coverage.
SDL_Surface* DesenharAtlas(TTF_Font* fonte, int largura, int altura) {
  const int linhas = (kBytes + kColunasAtlas - 1) / kColunasAtlas;
  SDL_Surface* atlas = SDL_CreateRGBSurfaceWithFormat(0, kColunasAtlas * largura, linhas * altura, 32,
                                                      SDL_PIXELFORMAT_ARGB8888);
  if (!atlas) return nullptr;
  int avanco = 0;
  TTF_GlyphMetrics32(fonte, 'M', nullptr, nullptr, nullptr, nullptr, &avanco);
  avanco = std::max(1, avanco);
  const int alturaFonte = std::max(1, TTF_FontHeight(fonte));
  SDL_LockSurface(atlas);
  for (int b = kPrimeiroByte; b < 256; ++b) {
    auto byte = static_cast<unsigned char>(b);
    std::vector<float> celula =
        Escalar(Cobertura(fonte, byte, avanco, alturaFonte), avanco, alturaFonte, largura, altura);
    SDL_Rect r = CelulaDoAtlas(byte, largura, altura);
    for (int y = 0; y < altura; ++y) {
      auto linha =
          reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(atlas->pixels) + (r.y + y) * atlas->pitch);
      for (int x = 0; x < largura; ++x) {
        auto alfa = uint32_t(std::lround(std::clamp(celula[size_t(y) * largura + x], 0.0f, 1.0f) * 255));
        linha[r.x + x] = alfa << 24 | 0xFFFFFFu;
      }
    }
  }
  SDL_UnlockSurface(atlas);
  return atlas;
}

}  // namespace

bool Letras::Carregar(SDL_Renderer* pintor, const std::string& face1252, int largura, int altura) {
  Liberar();
  largura_ = largura;
  altura_ = altura;
  ascendente_ = altura * 4 / 5;
  Face face;
  if (!AcharFace(face1252, face)) {
    std::fprintf(stderr, "mirtalan: nenhuma fonte encontrada para \"%s\"\n", ParaUtf8(face1252).c_str());
    return false;
  }
  TTF_Font* fonte = TTF_OpenFontIndex(face.arquivo.c_str(), altura, face.indice);
  if (!fonte) {
    std::fprintf(stderr, "mirtalan: não foi possível abrir a fonte %s: %s\n", face.arquivo.c_str(),
                 TTF_GetError());
    return false;
  }
  AjustarTamanho(fonte, altura);
  ascendente_ = int(std::lround(double(TTF_FontAscent(fonte)) * altura / std::max(1, TTF_FontHeight(fonte))));
  SDL_Surface* superficie = DesenharAtlas(fonte, largura, altura);
  TTF_CloseFont(fonte);
  if (superficie) {
    atlas_ = SDL_CreateTextureFromSurface(pintor, superficie);
    SDL_FreeSurface(superficie);
  }
  if (!atlas_) return false;
  SDL_SetTextureBlendMode(atlas_, SDL_BLENDMODE_BLEND);
  return true;
}

void Letras::Liberar() {
  if (atlas_) SDL_DestroyTexture(atlas_);
  atlas_ = nullptr;
}

void Letras::Desenhar(SDL_Renderer* pintor, int x, int y, const uint8_t* bytes, int n, Cor frente) {
  if (!atlas_) return;
  SDL_SetTextureColorMod(atlas_, frente.r, frente.g, frente.b);
  for (int i = 0; i < n; ++i) {
    if (bytes[i] <= kPrimeiroByte) continue;  // controls have no glyph; a blank is its background
    SDL_Rect origem = CelulaDoAtlas(bytes[i], largura_, altura_);
    SDL_Rect destino{x + i * largura_, y, largura_, altura_};
    SDL_RenderCopy(pintor, atlas_, &origem, &destino);
  }
}

}  // namespace plataforma::sdl
