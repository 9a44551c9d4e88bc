#include "apps/carrowind-map/render/class_symbols.h"

namespace carrowind::render {
namespace {

host::Symbol classSymbol(host::IFeatureRenderer* renderer, int index, int classCount) {
  if (auto unique = com::query<host::IUniqueValueRenderer>(renderer)) {
    // Value i is the first value of class i; the default class comes last.
    if (unique->UseDefaultSymbol() && index == classCount - 1) return unique->DefaultSymbol();
    if (index < unique->ValueCount()) return unique->Symbol(unique->Value(index));
    return neutralSymbol();
  }
  if (auto breaks = com::query<host::IClassBreaksRenderer>(renderer)) {
    if (index < breaks->BreakCount()) return breaks->Symbol(index);
  }
  return neutralSymbol();
}

}  // namespace

host::Symbol neutralSymbol() { return host::Symbol{}; }

std::vector<RenderClass> renderClasses(host::IFeatureRenderer* renderer) {
  std::vector<RenderClass> out;
  if (!renderer) return out;
  if (auto simple = com::query<host::ISimpleRenderer>(renderer)) {
    out.push_back({simple->Label(), simple->Symbol()});
    return out;
  }
  auto classes = com::query<host::IRendererClasses>(renderer);
  if (!classes) return out;
  // A bivariate legend lists its main renderer's classes; their symbols are
  // the main renderer's.
  host::Ref<host::IFeatureRenderer> symbols(renderer);
  if (auto bivariate = com::query<host::IBivariateRenderer>(renderer)) {
    if (auto main = bivariate->MainRenderer()) symbols = main;
  }
  auto symbolClasses = com::query<host::IRendererClasses>(symbols.get());
  const int count = classes->ClassCount();
  const int symbolCount = symbolClasses ? symbolClasses->ClassCount() : 0;
  for (int i = 0; i < count; ++i) {
    host::Symbol symbol = i < symbolCount ? classSymbol(symbols.get(), i, symbolCount) : neutralSymbol();
    out.push_back({classes->Class(i), symbol});
  }
  return out;
}

bool classesByClause(host::IFeatureRenderer* renderer) {
  return renderer && com::query<host::IRendererClasses>(renderer) != nullptr;
}

}  // namespace carrowind::render
