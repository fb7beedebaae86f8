#include "CliOptions.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <limits>

#include "CliOutput.h"
#include "Criterion.h"
#include "MaskList.h"

namespace {

std::string Lower(std::string str) {
    for (char& c : str) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return str;
}

bool IsDigits(const std::string& str) {
    return !str.empty() &&
           std::all_of(str.begin(), str.end(), [](unsigned char c) { return std::isdigit(c); });
}

// An absolute folder path ending with '/', with "." parts and doubled slashes removed.
// ".." stays: resolving it without following links could name another folder.
std::string MakeFolderPath(const std::string& strArg) {
    std::string strPath = strArg;
    if (strPath.empty() || strPath[0] != '/') {
        std::string strCwd;
        std::vector<char> buf(4096);
        while (!::getcwd(buf.data(), buf.size())) {
            if (errno != ERANGE) break;
            buf.resize(buf.size() * 2);
        }
        strCwd = buf.data();
        strPath = strCwd + "/" + strPath;
    }
    std::string strOut;
    std::size_t i = 0;
    while (i < strPath.size()) {
        const std::size_t j = std::min(strPath.find('/', i), strPath.size());
        const std::string strPart = strPath.substr(i, j - i);
        if (!strPart.empty() && strPart != ".") strOut += "/" + strPart;
        i = j + 1;
    }
    return strOut + "/";
}

}  // namespace

bool SelectsNoFile(const std::string& strMasks) {
    return ParseRowMasks(strMasks).m_includes.empty();
}

std::optional<std::uint64_t> ParseSize(const std::string& strSize) {
    std::string strDigits = strSize;
    unsigned nShift = 0;
    if (!strDigits.empty()) {
        switch (std::tolower(static_cast<unsigned char>(strDigits.back()))) {
            case 'k': nShift = 10; break;
            case 'm': nShift = 20; break;
            case 'g': nShift = 30; break;
            default: break;
        }
        if (nShift) strDigits.pop_back();
    }
    if (!IsDigits(strDigits)) return std::nullopt;
    constexpr std::uint64_t nMax = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t n = 0;
    for (const char c : strDigits) {
        const auto nDigit = static_cast<std::uint64_t>(c - '0');
        if (n > (nMax - nDigit) / 10) return std::nullopt;
        n = n * 10 + nDigit;
    }
    if (n > (nMax >> nShift)) return std::nullopt;
    return n << nShift;
}

int ParseSortColumn(const std::string& strColumn) {
    if (strColumn.size() == 1 && strColumn[0] >= '0' && strColumn[0] <= '6')
        return strColumn[0] - '0';
    static const struct {
        const char* pszName;
        int nColumn;
    } names[] = {
        {"source", COL_SOURCE},          {"folder", COL_SOURCE_FOLDER},
        {"source-folder", COL_SOURCE_FOLDER}, {"modified", COL_SOURCE_MODIFIED},
        {"source-modified", COL_SOURCE_MODIFIED}, {"target", COL_TARGET},
        {"target-folder", COL_TARGET_FOLDER}, {"target-modified", COL_TARGET_MODIFIED},
        {"size", COL_SIZE},
    };
    const std::string strLower = Lower(strColumn);
    for (const auto& n : names)
        if (strLower == n.pszName) return n.nColumn;
    return -1;
}

std::optional<std::string> ParseCommandLine(const std::vector<std::string>& args,
                                            CCliOptions& opts) {
    std::string strMask = "*.*";
    bool bRecurse = true;
    bool bReference = false;
    bool bOptionsEnded = false;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string strArg = args[i];
        if (bOptionsEnded || strArg.size() < 2 || strArg[0] != '-') {
            // Often an unset variable; searching the current folder instead would surprise.
            if (strArg.empty()) return std::string("empty folder name");
            opts.rows.push_back(
                CFolderRow{MakeFolderPath(strArg), strMask, bRecurse ? "Yes" : "No", bReference});
            continue;
        }
        if (strArg == "--") {
            bOptionsEnded = true;
            continue;
        }
        // --name=value or --name value
        std::string strValue;
        bool bHasValue = false;
        if (const auto nEq = strArg.find('='); strArg.rfind("--", 0) == 0 && nEq != std::string::npos) {
            strValue = strArg.substr(nEq + 1);
            strArg.resize(nEq);
            bHasValue = true;
        }
        auto value = [&]() -> std::optional<std::string> {
            if (bHasValue) return strValue;
            if (i + 1 < args.size()) return args[++i];
            return std::nullopt;
        };
        auto missing = [&] { return "option " + strArg + " needs a value"; };
        auto noValue = [&]() -> std::optional<std::string> {
            if (bHasValue) return "option " + strArg + " takes no value";
            return std::nullopt;
        };

        if (strArg == "--help" || strArg == "-h") {
            if (auto e = noValue()) return e;
            opts.m_bHelp = true;
        } else if (strArg == "--version") {
            if (auto e = noValue()) return e;
            opts.m_bVersion = true;
        } else if (strArg == "--one-file-system") {
            if (auto e = noValue()) return e;
            opts.m_bOneFileSystem = true;
        } else if (strArg == "--mask") {
            auto v = value();
            if (!v) return missing();
            strMask = *v;
        } else if (strArg == "--recurse" || strArg == "--no-recurse") {
            if (auto e = noValue()) return e;
            bRecurse = strArg == "--recurse";
        } else if (strArg == "--reference" || strArg == "--no-reference") {
            if (auto e = noValue()) return e;
            bReference = strArg == "--reference";
        } else if (strArg == "--min-size" || strArg == "--max-size") {
            auto v = value();
            if (!v) return missing();
            const auto nSize = ParseSize(*v);
            if (!nSize)
                return strArg + " needs a number of bytes, optionally followed by K, M or G, got '" +
                       *v + "'";
            (strArg == "--min-size" ? opts.m_nMinSize : opts.m_nMaxSize) = *nSize;
        } else if (strArg == "--reflect" || strArg == "--no-reflect") {
            if (auto e = noValue()) return e;
            opts.m_bReflect = strArg == "--reflect" ? 1 : 0;
        } else if (strArg == "--by") {
            auto v = value();
            if (!v) return missing();
            const std::string strBy = Lower(*v);
            const int nCriterion = strBy == "crc" ? MATCH_CRC32 : CriterionFromName(strBy);
            if (nCriterion >= 0) opts.m_nCriterion = nCriterion;
            else return "unknown criterion '" + *v + "' (size, checksum, crc32 or contents)";
        } else if (strArg == "--partial") {
            auto v = value();
            if (!v) return missing();
            if (!IsDigits(*v)) return "--partial needs a whole number of kilobytes, got '" + *v + "'";
            // Saturated where KB * 1024 would pass 2^64 bytes: still more than any file holds.
            constexpr std::uint64_t nMaxKb = std::numeric_limits<std::uint64_t>::max() / 1024;
            std::uint64_t nKb = 0;
            for (const char c : *v) {
                const auto nDigit = static_cast<std::uint64_t>(c - '0');
                nKb = nKb > (nMaxKb - nDigit) / 10 ? nMaxKb : nKb * 10 + nDigit;
            }
            opts.m_strPartial = std::to_string(nKb);
        } else if (strArg == "--format") {
            auto v = value();
            if (!v) return missing();
            const std::string strFormat = Lower(*v);
            if (strFormat == "table") opts.m_format = FORMAT_TABLE;
            else if (strFormat == "tsv") opts.m_format = FORMAT_TSV;
            else if (strFormat == "json") opts.m_format = FORMAT_JSON;
            else if (strFormat == "groups") opts.m_format = FORMAT_GROUPS;
            else if (strFormat == "groups0") opts.m_format = FORMAT_GROUPS0;
            else return "unknown format '" + *v + "' (table, tsv, json, groups or groups0)";
        } else if (strArg == "--sort") {
            auto v = value();
            if (!v) return missing();
            opts.m_nSortColumn = ParseSortColumn(*v);
            if (opts.m_nSortColumn < 0)
                return "unknown column '" + *v + "' (0-6, source, folder, modified, target, "
                       "target-folder, target-modified, size)";
        } else if (strArg == "--descending") {
            if (auto e = noValue()) return e;
            opts.m_bDescending = true;
        } else if (strArg == "--threads") {
            auto v = value();
            if (!v) return missing();
            if (!IsDigits(*v)) return "--threads needs a number, got '" + *v + "'";
            // More threads than this only wait for the disk; many more may not be granted.
            opts.m_nThreads = v->size() > 3 ? MAX_THREADS
                                            : std::min<unsigned>(std::stoul(*v), MAX_THREADS);
        } else if (strArg == "--no-cache") {
            if (auto e = noValue()) return e;
            opts.m_bUseCache = false;
        } else if (strArg == "--cache") {
            auto v = value();
            if (!v) return missing();
            if (v->empty()) return std::string("--cache needs a file name");
            opts.m_strCachePath = *v;
            opts.m_bUseCache = true;
        } else {
            return "unknown option '" + strArg + "'";
        }
    }
    if (opts.m_bHelp || opts.m_bVersion) return std::nullopt;
    if (opts.rows.empty()) return std::string("no folder given");
    if (opts.m_bDescending && opts.m_nSortColumn < 0)
        return std::string("--descending needs --sort");
    if (opts.m_nMinSize > opts.m_nMaxSize)
        return std::string("--min-size is larger than --max-size: no file could be matched");
    return std::nullopt;
}

static_assert(TABLE_WIDTH_ROWS == 1000, "the --format text below names the number");

const char* UsageText() {
    return R"(Usage: twinex-cli [OPTION]... [--mask MASKS] [--recurse | --no-recurse] FOLDER...
       twinex-cli remove [--trash] [ACTION OPTION]... [RESULTS]
       twinex-cli link [--hard | --clone] [ACTION OPTION]... [RESULTS]
       twinex-cli move --to FOLDER [ACTION OPTION]... [RESULTS]
Find duplicate files in the given folders and list them as pairs; then act on the
extra copies of each set that a json listing names.

Find, look, then act:
  twinex-cli --format json ~/Pictures > dupes.json
  twinex-cli remove --keep oldest --dry-run dupes.json   # what would go
  twinex-cli remove --keep oldest --trash dupes.json
  twinex-cli link --hard dupes.json                      # or keep paths as links

Folders:
  --mask MASKS        file masks for the folders that follow, separated by ';'
                      ('*' and '?', any letter case; default "*.*", every file).
                      '!PATTERN' leaves out the files and folders of that name
                      (an excluded folder is not searched), or with a '/' the
                      paths below the folder searched: "*.*;!*.tmp;!.git;!build/"
                      Exclusions alone take every other file.
  --recurse           search the subfolders of the folders that follow (default)
  --no-recurse        only the files directly in the folders that follow
  --reference         the folders that follow are reference folders: their files
                      are matched, but a set found only in them is not listed
  --no-reference      the folders that follow are plain folders (default)
  --one-file-system   do not enter other file systems mounted below a folder
  --                  every argument after this is a folder

Matching:
  --by CRITERION      how files of equal size are compared: contents (byte by
                      byte, the default), crc32, checksum or size (size alone)
  --partial KB        compare only the first KB kilobytes (default 0: whole files,
                      so that by default only exact copies are listed; sizes past
                      2^64 bytes count as 2^64)
  --reflect           also list each pair reversed, so that every duplicate
                      stands once as a source (default)
  --no-reflect        list each pair once
  --min-size SIZE     match only files of at least SIZE bytes (default 0; empty
                      files match each other only while it is 0)
  --max-size SIZE     match only files of at most SIZE bytes (default: no limit)
                      SIZE: a whole number, optionally followed by K, M or G
                      (1024, 1024^2 or 1024^3 bytes): 100K, 2G
  --threads N         reading threads (default 8, as reads mostly wait for the
                      disk; larger numbers count as 64; fewer run when the system
                      grants fewer)
  --cache FILE        keep checksums between searches in FILE (default:
                      $XDG_CACHE_HOME/twinex/checksums.sqlite, or ~/.cache/twinex/);
                      files unchanged since (same size, modification and change
                      time) are not read again, except to compare bytes
  --no-cache          neither use nor update the checksum cache

Output (rows on standard output; progress and messages on standard error):
  --format FORMAT     table (default), tsv, json, groups or groups0
                      groups: the files of each set, one path per line (escaped as
                      in the table), a blank line after each set; groups0: each
                      path followed by NUL, an extra NUL after each set.
                      table: columns as wide as the first 1000 rows need (all rows
                      with --sort); a longer cell further down widens its column
                      from its line on.
                      tsv: a header line, then seven tab-separated cells per row;
                      tab, newline and backslash written as \t, \n and \\.
                      json: {"format":"twinex-results","version":1,"rows":[...]}
                      with one object per pair: "source", "target" (full paths),
                      "size" (bytes), "source_mtime", "target_mtime" (seconds since
                      1970); a path that is not valid UTF-8 also comes exactly as
                      "source_base64" / "target_base64"; a file in a reference
                      folder is marked "source_reference" or "target_reference":
                      true; "set" numbers the duplicate sets from 1.
  --sort COLUMN       sort rows by a column: 0-6 or source, folder, modified,
                      target, target-folder, target-modified, size (sizes by
                      bytes, times by time, text ignoring ASCII letter case)
  --descending        sort in descending order
  -h, --help          show this help
  --version           show the version

Acting on results (remove, link, move): RESULTS is a json listing, "-" or none for
standard input. Every file is first compared byte by byte with the copy of its set
that stays; reference files and the last copy of a set never change.
  --keep RULE         which file of each set stays: newest (default), oldest,
                      first, shortest-path, or "in FOLDER" (sets without a file
                      there are left alone)
  --dry-run           print what would be done, one line per file; change nothing
  --trash             remove: to the Trash instead of for good
  --hard, --clone     link: hard links (the default; they share the kept file's
                      owner, permissions and times) or copy-on-write clones
  --to FOLDER         move: the copies go below FOLDER at their path below the
                      searched folder that holds them; nothing there is
                      overwritten
  Each file done is printed as "remove PATH", "trash PATH", "link PATH => KEPT",
  "clone PATH => KEPT" or "move PATH => NEW PATH"; a summary goes to standard error.

Exit status of a search: 0 done, whether or not duplicates were found (also when
some folders could not be read: they are named), 1 no given folder could be
searched, no thread could be started or the output could not be written, 2 bad
usage, 130 cancelled (Ctrl-C). Of remove, link and move: 0 every planned action
succeeded, 1 some did not (each is named with its reason), 2 bad usage or a
listing that cannot be read.
)";
}
