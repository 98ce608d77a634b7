#include "tools/mkdist/cli.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/text/ansi.h"
#include "tools/mkdist/archive_listing.h"
#include "tools/mkdist/distribution_listing.h"
#include "tools/mkdist/expand.h"
#include "tools/mkdist/file_list.h"
#include "tools/mkdist/host_file.h"

namespace mkdist {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelp =
    R"(mkdist - packs products into installer distributions and inspects archives

Usage:
  mkdist pack --product DIR (--inf SETUP.INF | --manifest FILE) --out DIR
              [--disk-size SIZE] [--method METHOD] [--opt FILE]...
  mkdist archive OUT FILE... [--method METHOD]
  mkdist list ARCHIVE | DIR
  mkdist expand ARCHIVE DIR
  mkdist --help

pack      Writes into DIR one archive per product file, spread over the disk data files
          zdata1.dsk, zdata2.dsk, ..., the index vtulst.dat and, with --opt, opt.dat.
          --inf takes the file lists from the sections Option_1 to Option_9 of a setup.inf:
            f<k>  file name (the list ends at the first empty f<k>)
            q<k>  subfolder of the product folder holding the file (optional)
            d<k>  directory index of the file, 0 when missing (dirs_N / d<index> is its folder)
          and writes DIR/setup.inf with every l<k> filled in.
          --manifest takes lines "OPTION DIRECTORY PATH" (option 1-9, directory index, path
          below the product folder with "/" between folders; "#" starts a comment line) and
          writes DIR/options.inf with the Option_N sections (f<k>, l<k>) for the setup.inf.
          --disk-size SIZE  bytes per disk data file, with an optional K or M suffix
                            (1024-based); without it everything goes on one disk.
          --method METHOD   NON, RLE, LZH or LH5 for every file, or "best" (the default):
                            the smallest of the three coders per file.
          --opt FILE        a file for opt.dat, which the installer expands into C:\temp\
                            at start-up (a readme named vtu.txt, for example); repeatable.
archive   Writes one archive OUT holding the FILEs under their own names.
list      Shows the header and every entry: name, expanded and stored size, method, date,
          attributes (R read-only, H hidden, S system, A archive) and checksum. Given a
          distribution folder, shows every vtulst.dat record (l index, directory index, disks,
          offset, length) with the entry of the archive it points to, read off the disks the
          way the installer reads them.
expand    Expands every entry into DIR with the installer's own expander and reports its
          messages exactly.

Exit status: 0 on success, 1 on any error (the message says why), 2 on wrong usage.
)";

struct UsageError {
  std::string message;
};

std::optional<std::uint64_t> ParseSize(const std::string& s) {
  if (s.empty()) return std::nullopt;
  std::uint64_t mult = 1;
  std::string digits = s;
  char last = s.back();
  if (last == 'k' || last == 'K') mult = 1024;
  if (last == 'm' || last == 'M') mult = 1024 * 1024;
  if (mult != 1) digits.pop_back();
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 12)
    return std::nullopt;
  return std::stoull(digits) * mult;
}

MethodChoice ParseMethod(const std::string& s) {
  if (s == "best") return {};
  if (auto m = MethodFromId(s)) return {*m};
  throw UsageError{"unknown method \"" + s + "\"; use NON, RLE, LZH, LH5 or best"};
}

std::string ReadWhole(const fs::path& p, const std::string& what) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw PackError("cannot read the " + what + " \"" + p.string() + "\"");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteWhole(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.close();
  if (!out) throw PackError("cannot write \"" + p.string() + "\"");
}

int Pack(const std::vector<std::string>& args, std::ostream& out) {
  std::map<std::string, std::string> single;
  DistOptions options;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--product" && a != "--inf" && a != "--manifest" && a != "--out" && a != "--disk-size" &&
        a != "--method" && a != "--opt")
      throw UsageError{"unknown option \"" + a + "\""};
    if (i + 1 >= args.size()) throw UsageError{a + " needs a value"};
    const std::string& v = args[++i];
    if (a == "--opt") {
      options.optFiles.emplace_back(v);
    } else {
      if (single.count(a)) throw UsageError{a + " is given twice"};
      single[a] = v;
    }
  }
  if (!single.count("--product") || !single.count("--out"))
    throw UsageError{"pack needs --product and --out"};
  if (single.count("--inf") == single.count("--manifest"))
    throw UsageError{"pack needs exactly one of --inf and --manifest"};
  options.product = single["--product"];
  options.outDir = single["--out"];
  if (single.count("--method")) options.method = ParseMethod(single["--method"]);
  if (single.count("--disk-size")) {
    auto size = ParseSize(single["--disk-size"]);
    if (!size) throw UsageError{"the disk size \"" + single["--disk-size"] + "\" is not a number of bytes"};
    if (*size == 0) throw PackError("the disk size 0 is too small: a disk must hold at least one byte");
    options.diskSize = *size;
  }
  if (!fs::is_directory(options.product))
    throw PackError("the product folder \"" + options.product.string() + "\" does not exist");

  std::optional<SetupInf> inf;
  std::vector<DistFile> files;
  if (single.count("--inf")) {
    inf = SetupInf::Parse(ReadWhole(single["--inf"], "setup script"));
    files = FilesFromSetupInf(*inf);
  } else {
    files = FilesFromManifest(ReadWhole(single["--manifest"], "manifest"));
  }
  if (files.empty()) throw PackError("no files to pack: the file list names none");

  DistResult result = BuildDistribution(files, options);
  if (inf) {
    // The wizard's space figures come from [software] Opt<N>_space, not from the files.
    std::map<int, std::uint64_t> sizes;
    for (const DistRecord& r : result.records) sizes[r.file.option] += r.entry.expandedSize;
    for (const auto& [option, bytes] : sizes) {
      std::string key = "Opt" + std::to_string(option) + "_space";
      std::string given = inf->Value("software", key).value_or("0");
      if (given != std::to_string(bytes))
        out << "note: [software] " << key << " is \"" << given << "\", the option's files expand to " << bytes << " bytes\n";
    }
    if (inf->Value("software", "medium") == "3")
      out << "note: [software] medium is 3: the installer copies plain files and does not read this distribution\n";
    WriteLIndexes(*inf, result.records);
    WriteWhole(options.outDir / "setup.inf", inf->Serialize());
  } else {
    WriteWhole(options.outDir / "options.inf", OptionSections(result.records));
  }

  std::uint64_t expanded = 0, stored = 0;
  for (const DistRecord& r : result.records) {
    expanded += r.entry.expandedSize;
    stored += r.length;
    out << platform::ansiToUtf8(r.file.name) << "  option " << r.file.option << "  l" << r.file.key << "=" << r.lIndex
        << "  dir " << r.file.directoryIndex << "  " << MethodId(r.entry.method) << "  " << r.entry.expandedSize
        << " -> " << r.length << "  disk " << r.placement.disk;
    if (r.placement.lastDisk != r.placement.disk) out << "-" << r.placement.lastDisk;
    out << " at " << r.placement.offset << "\n";
  }
  out << result.records.size() << " files, " << expanded << " bytes packed into " << stored << " bytes on "
      << result.diskSizes.size() << (result.diskSizes.size() == 1 ? " disk" : " disks") << ":";
  for (std::size_t d = 0; d < result.diskSizes.size(); ++d)
    out << " zdata" << d + 1 << ".dsk (" << result.diskSizes[d] << ")";
  out << (result.wroteOptDat ? "; opt.dat" : "") << "\n";
  return 0;
}

int MakeArchive(const std::vector<std::string>& args, std::ostream& out) {
  MethodChoice method;
  std::vector<std::string> rest;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--method") {
      if (i + 1 >= args.size()) throw UsageError{"--method needs a value"};
      method = ParseMethod(args[++i]);
    } else {
      rest.push_back(args[i]);
    }
  }
  if (rest.size() < 2) throw UsageError{"archive needs OUT and at least one FILE"};
  std::vector<EntryInput> entries;
  for (std::size_t i = 1; i < rest.size(); ++i) {
    fs::path p = rest[i];
    if (!fs::is_regular_file(p)) throw PackError("the file \"" + p.string() + "\" is missing");
    auto ansi = AnsiFileName(p.filename().string());
    if (!ansi) throw PackError("the file name \"" + p.filename().string() + "\" has characters outside code page 1252");
    entries.push_back(LoadHostFile(p, *ansi));
  }
  WrittenArchive a = WriteArchive(std::move(entries), method);
  WriteWhole(rest[0], std::string(a.bytes.begin(), a.bytes.end()));
  out << a.entries.size() << " entries, " << a.bytes.size() << " bytes written to " << rest[0] << "\n";
  return 0;
}

int ListDistributionFolder(const fs::path& dir, std::ostream& out) {
  std::vector<DistributionRow> rows = ListDistribution(dir);
  out << "distribution " << dir.string() << ": " << rows.size() << (rows.size() == 1 ? " file" : " files") << "\n";
  char line[200];
  std::snprintf(line, sizeof line, "%6s %5s %5s %10s %10s %10s %-6s %-19s %-4s %-10s  %s\n", "l", "dir", "disk", "offset",
                "length", "expanded", "method", "date", "attr", "checksum", "name");
  out << line;
  bool ok = true;
  for (const DistributionRow& r : rows) {
    std::string disks = std::to_string(r.record.disk);
    if (r.disksRead > 1) disks += "-" + std::to_string(r.record.disk + r.disksRead - 1);
    std::snprintf(line, sizeof line, "%6d %5d %5s %10d %10d ", r.lIndex, r.record.directoryIndex, disks.c_str(),
                  r.record.offset, r.record.length);
    out << line;
    if (!r.archive || r.archive->entries.size() != 1) {
      ok = false;
      out << (r.problem.empty() ? "the archive holds " + std::to_string(r.archive ? r.archive->entries.size() : 0) +
                                      " entries instead of one"
                                : r.problem)
          << "\n";
      continue;
    }
    const ListedEntry& e = r.archive->entries[0];
    std::snprintf(line, sizeof line, "%10d %-6s %-19s %-4s 0x%08X  ", e.expandedSize, std::string(MethodId(e.method)).c_str(),
                  FormatDosDateTime(e.dosDateTime).c_str(), FormatAttributes(e.attributes).c_str(), e.checksum);
    out << line << platform::ansiToUtf8(e.name) << "\n";
  }
  if (!ok) throw PackError("some records of the distribution cannot be read");
  return 0;
}

int List(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 2) throw UsageError{"list needs one ARCHIVE or distribution folder"};
  if (fs::is_directory(args[1])) return ListDistributionFolder(args[1], out);
  std::string bytes = ReadWhole(args[1], "archive");
  Listing l = ListArchive(ByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  out << "archive " << args[1] << ": method " << l.methodId << ", total size " << l.totalSize << ", "
      << l.entries.size() << (l.entries.size() == 1 ? " entry" : " entries") << "\n";
  char line[160];
  std::snprintf(line, sizeof line, "%10s %10s %-6s %-19s %-4s %-10s  %s\n", "expanded", "stored", "method", "date",
                "attr", "checksum", "name");
  out << line;
  for (const ListedEntry& e : l.entries) {
    std::snprintf(line, sizeof line, "%10d %10d %-6s %-19s %-4s 0x%08X  ", e.expandedSize, e.storedSize,
                  std::string(MethodId(e.method)).c_str(), FormatDosDateTime(e.dosDateTime).c_str(),
                  FormatAttributes(e.attributes).c_str(), e.checksum);
    out << line << platform::ansiToUtf8(e.name) << (e.lock > 0 ? "  (locked)" : "") << "\n";
  }
  if (l.truncated) out << "the last entry's data runs past the end of the file\n";
  return 0;
}

int Expand(const std::vector<std::string>& args, std::ostream& out) {
  if (args.size() != 3) throw UsageError{"expand needs ARCHIVE and DIR"};
  ExpandReport report = ExpandArchive(args[1], args[2]);
  for (const fs::path& w : report.written) out << "expanded " << w.string() << "\n";
  if (!report.error.empty()) {
    if (!report.targets.empty()) out << "stopped at " << report.targets.back().string() << "\n";
    throw PackError(report.error);
  }
  out << report.written.size() << (report.written.size() == 1 ? " file" : " files") << " expanded\n";
  return 0;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  try {
    if (args.empty()) throw UsageError{"no command given"};
    const std::string& cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
      out << kHelp;
      return 0;
    }
    if (cmd == "pack") return Pack(args, out);
    if (cmd == "archive") return MakeArchive(args, out);
    if (cmd == "list") return List(args, out);
    if (cmd == "expand") return Expand(args, out);
    throw UsageError{"unknown command \"" + cmd + "\""};
  } catch (const UsageError& e) {
    err << "mkdist: " << e.message << "\n(see mkdist --help)\n";
    return 2;
  } catch (const std::exception& e) {
    err << "mkdist: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace mkdist
