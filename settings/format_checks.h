#pragma once
// The 24 file types of the format list, in the order in which the list is
// written and the settings dialog shows its check boxes, and the translation
// between a list text and a set of checks; and the extensions the engine writes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::size_t kFormatCount = 24;
inline constexpr std::array<std::string_view, kFormatCount> kFormatNames = {
    "jpg", "gif", "png", "bmp", "tif", "avi", "mpg", "dat", "wmv", "asf", "mp3", "mp4",
    "mov", "3gp", "rm",  "pdf", "swf", "doc", "txt", "wav", "pst", "zip", "rar", "raw"};

// Every extension under which PhotoRec 7.1, whose build the engine is, writes
// what it finds (read from the engine's own file-type table and the names its
// checks give), lower case and sorted: a sub-type gets its own extension
// (docx, cr2, m4p), so the list is much longer than the format names above.
inline constexpr std::string_view kEngineExtensions[] = {
    "1cd", "3dm", "3g2", "3gp", "7z",
    "a", "ab", "abr", "acb", "accdb", "ace", "ado", "adr", "aep", "afdesign", "agn", "ahn", "ai", "aif", "all", "als",
    "amd", "amr", "amt", "ani", "apa", "ape", "apk", "apple", "apr", "ari", "arj", "arw", "asf", "asl", "asm", "asp",
    "atd", "att", "au", "avi", "axp", "axx",
    "bac", "bai", "bam", "bat", "bdm", "bgz", "bim", "bin", "binvox", "bkf", "blend", "bmp", "bpg", "bvr", "bz2",
    "c", "c4d", "cab", "caf", "cam", "camrec", "catdrawing", "cda", "cdd", "cdl", "cdr", "cdt", "celtx", "che", "chm",
    "class", "cls", "comicdoc", "cow", "cp_", "cpi", "cpr", "cr2", "cr3", "crw", "csh", "csi", "csv", "ctg", "cue",
    "cwk",
    "d2s", "dad", "dar", "dat", "db", "dbf", "dbn", "dbx", "dc", "dcm", "dcr", "ddf", "deb", "dex", "dgn", "dif",
    "diskimage", "djv", "dll", "dmp", "dng", "doc", "docx", "dp", "dpx", "drw", "ds2", "ds_store", "dsa", "dsc",
    "dss", "dst", "dta", "dump", "dv", "dvi", "dvr", "dwg", "dxf",
    "e01", "ebml", "ecryptfs", "edb", "elf", "emb", "emf", "emka", "emlx", "eps", "epub", "ers", "ess", "et", "evt",
    "evtx", "exe", "exs", "ext",
    "fat", "fb2", "fbf", "fbk", "fcp", "fcs", "fdb", "fds", "fh10", "fh5", "fit", "fits", "fla", "flac", "flp", "flv",
    "fm", "fob", "fods", "fos", "fp12", "fp5", "fp7", "freeway", "frm", "fs", "fst", "fwd",
    "gam", "gcs", "gct", "gho", "ghx", "gi", "gif", "gm6", "gm81", "gmd", "gmk", "gnucash", "go", "gp2", "gp4", "gp5",
    "gpg", "gpx", "gsb", "gsm", "gz",
    "h", "hdf", "hdr", "hds", "heic", "hfsp", "hm", "hr9", "html", "http",
    "ibd", "icc", "icns", "ico", "ics", "idf", "idx", "iff", "ifo", "imb", "indd", "inf", "info", "ini", "ipt", "iso",
    "it", "itu",
    "jad", "jar", "java", "jks", "jnb", "jng", "jp2", "jpg", "js", "json", "jsonlz4", "jsp",
    "kdb", "kdbx", "key", "kmy", "kmz", "kra",
    "ldf", "ldif", "lit", "lnk", "logic", "lso", "luks", "lwo", "lxo", "ly", "lyx", "lzh", "lzo",
    "m2t", "m2ts", "m3u", "m4p", "map", "mat", "max", "mb", "mbox", "mcd", "mcf", "mdb", "mdf", "mdl", "mem", "mfa",
    "mfg", "mft", "mid", "mig", "mk5", "mkv", "mlv", "mng", "mobi", "mov", "mp", "mp3", "mp4", "mpg", "mpl", "mrw",
    "msa", "msf", "msg", "mus", "mws", "mxf", "myi", "myo",
    "nd2", "nds", "nef", "nes", "njx", "nk2", "notebook", "nsf", "numbers",
    "oci", "odg", "odp", "ods", "odt", "ogg", "ogv", "one", "ora", "orf",
    "p65", "paf", "pages", "pap", "par2", "pbm", "pcap", "pcb", "pct", "pcx", "pdb", "pdf", "pds", "pef", "pf", "pfx",
    "pgm", "pgp", "php", "pl", "plist", "plr", "plt", "pm", "png", "pnm", "ppk", "ppm", "ppt", "pptx", "prc", "prd",
    "priv", "prproj", "prt", "ps", "psb", "psd", "psf", "psmodel", "psp", "pst", "ptb", "ptf", "pts", "ptx", "pub",
    "pvp", "py", "pyc", "pzf", "pzh",
    "qbb", "qbmb", "qbw", "qcp", "qdf", "qgs", "qkt", "qpw", "qxd", "qxp",
    "r3d", "ra", "raf", "ram", "rar", "raw", "rb", "rdata", "rdc", "reg", "res", "rfp", "riff", "rlv", "rm", "rns",
    "rpm", "rpp", "rtf", "rvl", "rvt", "rw2", "rx2",
    "sav", "save", "schematic", "sda", "sdc", "sdd", "sdw", "seenezsst", "ses", "sgcta", "sh", "sh3d", "shn", "sib",
    "sit", "skd", "sketch", "skp", "sla", "sldprt", "slk", "smil", "snag", "snt", "snz", "sp3", "sparseimage", "spe",
    "spf", "sql", "sqlite", "sqm", "sr2", "steuer2014", "steuer2015", "stl", "stp", "studio", "svg", "swc", "swf",
    "sxc", "sxd", "sxi", "sxw",
    "tar", "tax", "tcw", "tex", "tg", "tib", "tif", "tivo", "tod", "torrent", "tph", "tpl", "ts", "ttd", "ttf", "txt",
    "tz",
    "url",
    "v2i", "vault", "vb", "vbm", "vcf", "vdi", "vdj", "veg", "vfb", "vib", "vmdk", "vmg", "vsd", "vsdx",
    "wab", "wallet", "wav", "wdb", "wdp", "webm", "webp", "wee", "wim", "win", "wk4", "wks", "wld", "wma", "wmf",
    "wmv", "wnk", "woff", "wpb", "wpd", "wpl", "wps", "wtv", "wv",
    "x3f", "x3i", "x4a", "x4g", "x4p", "x4s", "xar", "xcf", "xd", "xfi", "xfs", "xlr", "xls", "xlsx", "xm", "xml",
    "xmp", "xoj", "xpi", "xpt", "xrns", "xsv", "xv", "xz",
    "z2d", "zcode", "zip", "zpramb",
};
static_assert(std::ranges::is_sorted(kEngineExtensions), "looked up by binary search");

// True when the extension, in any case, is one the engine writes.
bool IsEngineExtension(std::string_view extension);

using FormatChecks = std::array<bool, kFormatCount>;

// A format is enabled when its name occurs anywhere in the list, case
// significant. The list is deliberately not split at commas, so hand-edited
// lists ("jpg, gif", "tiff") are read the way the engine launch reads them.
bool IsFormatEnabled(std::string_view list, std::string_view name);

// One check per format, in list order.
FormatChecks ChecksFromList(std::string_view list);

// The checked names in list order, joined by single commas.
std::string ListFromChecks(const FormatChecks& checks);

}  // namespace settings
