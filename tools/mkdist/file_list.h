// The list of files to pack, read from a setup.inf or from a manifest.
//
// setup.inf: sections Option_1 to Option_9; in each, f1, f2, ... up to the first missing or
// empty f<k> (as the installer reads them). For every file the packer also reads
//   q<k>  subfolder of the product folder that holds it (default: the product folder itself)
//   d<k>  directory index written to vtulst.dat (default 0)
// and writes l<k>, the file's index into vtulst.dat. The installer reads q<k> and d<k> only for
// plain (uncompressed) media, so the same keys describe both kinds of medium.
//
// Manifest: one file per line, "OPTION DIRECTORY PATH": the option number 1 to 9, the directory
// index, and the path below the product folder ("/" separates folders, the rest of the line is
// the path, blanks included). Empty lines and lines starting with "#" are skipped. Text is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/mkdist/distribution.h"
#include "tools/mkdist/setup_inf.h"

namespace mkdist {

// Throws PackError for a malformed entry.
std::vector<DistFile> FilesFromSetupInf(const SetupInf& inf);
// Fills in l<k> for every record.
void WriteLIndexes(SetupInf& inf, const std::vector<DistRecord>& records);

std::vector<DistFile> FilesFromManifest(std::string_view utf8Text);
// Option_N sections with f<k> and l<k> keys for the records, to paste into a setup.inf.
std::string OptionSections(const std::vector<DistRecord>& records);

}  // namespace mkdist
