#include "bench/label_report.h"

#include <gdal.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace bench {
namespace {

// The value of the first "key: value" or "key=value" line starting with key.
std::string firstLineWith(const std::string& text, const std::string& key) {
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) {
      auto value = line.substr(key.size());
      value.erase(0, value.find_first_not_of(" \t:="));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      return value;
    }
  return "?";
}

std::string trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

// The three load averages of a /proc/loadavg line.
std::string loadAverages(const std::string& line) {
  std::istringstream in(line);
  std::string one, five, fifteen;
  in >> one >> five >> fifteen;
  return one + " " + five + " " + fifteen;
}

std::string number(double s) {
  char buf[32];
  std::snprintf(buf, sizeof buf, s < 10 ? "%.3f" : s < 100 ? "%.2f" : "%.1f", s);
  return buf;
}
// Processor time over processor time.
std::string ratio(const Measured& top, const Measured& bottom) {
  if (bottom.capped || bottom.time.cpu <= 0) return "–";
  char buf[32];
  const double r = top.time.cpu / bottom.time.cpu;
  std::snprintf(buf, sizeof buf, r < 10 ? "%.2f" : "%.0f", r);
  return (top.capped ? "> " : "") + std::string(buf);
}

std::string withThousands(int n) {
  std::string s = std::to_string(n);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<std::size_t>(i), " ");
  return s;
}

void printMachine(const std::string& note, const std::string& loadBefore) {
  const std::string cpu = readFile("/proc/cpuinfo");
  const std::string mem = readFile("/proc/meminfo");
  utsname u{};
  uname(&u);
  std::printf("## Machine\n\n");
  std::printf("- CPU: %s, %ld logical cores (nproc)\n", firstLineWith(cpu, "model name").c_str(), sysconf(_SC_NPROCESSORS_ONLN));
  const long kib = std::atol(firstLineWith(mem, "MemTotal").c_str());
  std::printf("- RAM: %.1f GiB\n", static_cast<double>(kib) / (1024.0 * 1024.0));
  std::printf("- OS: %s, kernel %s\n", firstLineWith(readFile("/etc/os-release"), "PRETTY_NAME").c_str(), u.release);
  std::printf("- GDAL: %s (ogrinfo: %s)\n", GDALVersionInfo("RELEASE_NAME"),
              trimmed(runChild({"ogrinfo", "--version"}, true, 30).out).c_str());
  std::printf("- compiler: GCC %s, %s build (%s)\n", __VERSION__, CW_BUILD_TYPE, CW_BUILD_FLAGS);
  std::printf("- load average (1, 5, 15 min) before: %s, after: %s\n", loadAverages(loadBefore).c_str(),
              loadAverages(readFile("/proc/loadavg")).c_str());
  if (!note.empty()) std::printf("- %s\n", note.c_str());
  std::printf("\n");
}

}  // namespace

std::string readFile(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string cpuCell(const Measured& m) { return (m.capped ? "> " : "") + number(m.time.cpu); }
std::string wallCell(const Measured& m) { return (m.capped ? "> " : "") + number(m.time.wall); }

void printReport(const std::vector<Row>& rows, double cap, bool index, int firstClasses, const std::string& note,
                 const std::string& loadBefore, Clock::time_point runStart) {
  printMachine(note, loadBefore);
  std::printf("## Processor time\n\n");
  std::printf("Expression `%s`. Seconds of processor time (user and system) of the work itself, the least of %d runs "
              "where one took under %.0f s of wall time; \"> x\" is a run stopped at the cap of %s s of processor time "
              "with the time it had used by then (its own start included). MakeLabels and the plain read are run in turn, "
              "so that a busy neighbour slows both alike. Ratios are of processor times.\n\n",
              kExpression, kRepeats, kRepeatBelow, number(cap).c_str());
  std::printf("Renderers (\"classes\" is the number of legend classes):\n\n"
              "- unique values: over USE, one class per USE value; ogrinfo groups by USE.\n"
              "- two fields: unique values over USE and DISTRICT (delimiter \"%s\"), one class per pair: %d districts "
              "to each USE value, so %d times the classes of the same layer's unique values; ogrinfo groups by USE, "
              "DISTRICT.\n"
              "- class breaks: %d equal-interval breaks of %s on ACRES (values %s to %s), the last at the largest "
              "value; a class holds the values above the break below up to and including its own. Run once per size "
              "and format, on the layer with %d USE values; ogrinfo groups by the class computed in SQL "
              "(`%s`).\n\n",
              kDelimiter, kDistrictCount, kDistrictCount, kBreaks, acresText(kBreakWidth).c_str(),
              acresText(kAcresLow).c_str(), acresText(kAcresLow + kAcresSpan - 1).c_str(), firstClasses,
              breakClassSql().c_str());
  if (index) std::printf("Every layer has an attribute index on USE.\n\n");
  std::printf("| renderer | features | classes | format | MakeLabels s | plain read s | ogrinfo s | MakeLabels / read | MakeLabels / ogrinfo |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", r.renderer->name.c_str(),
                withThousands(r.features).c_str(), withThousands(r.classes).c_str(), r.format.c_str(),
                cpuCell(r.make).c_str(), cpuCell(r.read).c_str(), cpuCell(r.ogrinfo).c_str(),
                ratio(r.make, r.read).c_str(), ratio(r.make, r.ogrinfo).c_str());
  std::printf("\n## Wall time and checks\n\n");
  std::printf("The same runs in seconds of wall time. \"one class query\" is the processor time of one OGR attribute "
              "filter for the last class (`\"USE\" = '...'`, with `AND \"DISTRICT\" = '...'` for two fields, "
              "`\"ACRES\" > ... AND \"ACRES\" <= ...` for class breaks) on an open layer, read through (the fields "
              "the plain read reads); \"× classes\" is that times the number of classes, what any reader pays that "
              "asks for the classes one query each. \"labels right\": labels equal to the plain read's first USE, "
              "first DESCRIPT and ACRES total per class (\"$$SKIPPED\" for a class without records). \"generate\" is "
              "making the layer, once for all the renderers measured on it.\n\n");
  std::printf("| renderer | features | classes | format | MakeLabels s | plain read s | ogrinfo s | one class query s | × classes s | labels right | generate s |\n");
  std::printf("|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|\n");
  for (auto& r : rows)
    std::printf("| %s | %s | %s | %s | %s | %s | %s | %.4f | %s | %s | %.1f |\n", r.renderer->name.c_str(),
                withThousands(r.features).c_str(), withThousands(r.classes).c_str(), r.format.c_str(),
                wallCell(r.make).c_str(), wallCell(r.read).c_str(), wallCell(r.ogrinfo).c_str(), r.classQuery.time.cpu,
                number(r.classQuery.time.cpu * r.classes).c_str(),
                r.agree < 0 ? "–" : (std::to_string(r.agree) + " of " + std::to_string(r.classes) + (r.note.empty() ? "" : ", " + r.note)).c_str(),
                r.generate);
  std::printf("\nWhole run: %.0f s.\n", since(runStart));
}

}  // namespace bench
