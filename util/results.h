#pragma once
// Every numbered result of the program in one place. Exit codes (most of them
// also shown in a message box) and results that stay inside the program.
// Codes above 255 reach a POSIX parent truncated to 8 bits, which is why 512 and
// 513 (seen as 0 and 1) are never used.
//
// Results in util/: a constructor gives the new record or null; an operation
// that can fail gives 1 when done and 0 when not (a check, too); a size, count or
// text is given as such. Kept as their callers have always read them:
// bytebuf_write_file gives 0 when written and 1 when not, read_whole_file 0 or
// 5001/5002 below, bytebuf_reserve the new capacity and bytebuf_append the count
// written (0: nothing), path_extension the extension's length plus one (0: none),
// show_system_error the system's error code (0: none shown), ascii_casecmp an
// order as strcmp does.

constexpr int kNoOwnDirectory = 501;              // the program's directory cannot be taken from its name
constexpr int kUsage = 502;                       // no argument
constexpr int kDocumentUnreadable = 503;          // internal: a produced document cannot be read back
constexpr int kNoSuchFile = 504;                  // "Archivo no existe"
constexpr int kUnsupportedEmbeddedVersion = 505;  // an embedded document of another version
constexpr int kGenericTemplateFailed = 506;       // the generic template produced no document
constexpr int kRunCannotStart = 507;              // a sibling could not be started or watched
constexpr int kRunStopped = 508;                  // internal: the exit code forced on a stopped child
constexpr int kRunCannotStop = 509;               // a child outlived the time limit and could not be stopped
constexpr int kNoIssuerCommand = 510;             // internal: no table, or no command for the issuer
constexpr int kNoLocalisedBuffer = 511;           // internal: image localisation yielded no buffer
constexpr int kValueTooLarge = 514;               // a value would expand past the size limit
constexpr int kProgramDirNotWritable = 515;       // the program's directory cannot be written
constexpr int kLineFileMissing = 5001;            // internal: the line reader's input cannot be opened
constexpr int kLineFileNoMemory = 5002;           // internal: the line reader ran out of memory
