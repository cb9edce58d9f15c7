// The lines of recovered.csv: the facts of each file in the columns a
// spreadsheet shows, quoted as CSV quotes, in UTF-8 from the ANSI code page.
#include "workflow/record/recovered_record.h"

#include <gtest/gtest.h>

#include <string>

#include "win/utf8_text.h"

namespace {

using workflow::RecordedFile;
using workflow::RecordResult;

std::string From1252(const std::string& text) { return win::Utf8FromCodePage(text, 1252); }

imaging::Sha256Digest DigestOfAbc() {
    const std::string abc = "abc";
    return imaging::Sha256Of({reinterpret_cast<const uint8_t*>(abc.data()), abc.size()});
}

TEST(RecoveredRecord, HeadIsAByteOrderMarkAndTheColumns) {
    EXPECT_EQ(workflow::RecordHead(),
              "\xEF\xBB\xBFName written,Name found,Size,Pixel size,Date taken,Camera,Condition,Share read,"
              "Times found,SHA-256,Result,Problem\r\n");
}

TEST(RecoveredRecord, ALineAFileWrittenSameAsAnotherOrFailed) {
    RecordedFile photo;
    photo.nameWritten = "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg";
    photo.nameFound = "f0123456.jpg";
    photo.size = 4610884;
    photo.width = 4000;
    photo.height = 3000;
    photo.taken = 20190504132210;
    photo.camera = "Canon EOS 400D";
    photo.timesFound = 2;
    photo.sha256 = DigestOfAbc();

    RecordedFile damaged = photo;
    damaged.nameWritten = "2019-05-04 13.22.10 (damaged).jpg";
    damaged.damage.readableShare = 0.737;
    damaged.timesFound = 1;
    damaged.sha256.reset();

    RecordedFile marked;  // marked by the engine; nothing else known
    marked.nameWritten = marked.nameFound = "b0000001.zip";
    marked.size = 0;
    marked.damage.engineMarked = true;

    RecordedFile badDate = photo;
    badDate.taken = 99991231235959;
    RecordedFile previewDisagrees = photo;
    previewDisagrees.previewTaken = 20200101000000;

    RecordedFile same = photo;
    same.nameFound = "f0200000.jpg";
    same.result = RecordResult::SameAsAnother;

    RecordedFile failed;
    failed.nameFound = "f0000002.jpg";
    failed.size = 100;
    failed.result = RecordResult::Failed;
    failed.problem = "The disk is full.";

    const std::string hexAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const struct {
        RecordedFile file;
        std::string line;
    } cases[] = {
        {photo, "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg,f0123456.jpg,4610884,4000 x 3000,"
                "2019-05-04 13:22:10,Canon EOS 400D,intact,,2," + hexAbc + ",written,\r\n"},
        {damaged, "2019-05-04 13.22.10 (damaged).jpg,f0123456.jpg,4610884,4000 x 3000,2019-05-04 13:22:10,"
                  "Canon EOS 400D,damaged,73%,1,,written,\r\n"},
        {marked, "b0000001.zip,b0000001.zip,0,,,,damaged,,1,,written,\r\n"},
        {badDate, "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg,f0123456.jpg,4610884,4000 x 3000,,"
                  "Canon EOS 400D,intact,,2," + hexAbc + ",written,\r\n"},
        {previewDisagrees, "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg,f0123456.jpg,4610884,4000 x 3000,,"
                           "Canon EOS 400D,intact,,2," + hexAbc + ",written,\r\n"},
        {same, "2019\\2019-05\\2019-05-04 13.22.10 Canon EOS 400D.jpg,f0200000.jpg,4610884,4000 x 3000,"
               "2019-05-04 13:22:10,Canon EOS 400D,intact,,2," + hexAbc + ",same as another,\r\n"},
        {failed, ",f0000002.jpg,100,,,,intact,,1,,failed,The disk is full.\r\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::RecordLine(cases[i].file, From1252), cases[i].line) << "case " << i;
}

TEST(RecoveredRecord, FieldsQuotedAsCsvAndFormulasDefused) {
    const struct {
        std::string text;
        const char* field;
    } cases[] = {
        {"", ""},
        {"f0000001.jpg", "f0000001.jpg"},
        {"a,b.jpg", "\"a,b.jpg\""},
        {"say \"cheese\".jpg", "\"say \"\"cheese\"\".jpg\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {" blank first", "\" blank first\""},
        {"blank last ", "\"blank last \""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1", "'+1"},
        {"-1.jpg", "'-1.jpg"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"a=b", "a=b"},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::CsvField(cases[i].text), cases[i].field) << "case " << i;
}

TEST(RecoveredRecord, AnsiTextsBecomeUtf8) {
    const struct {
        std::string text;
        unsigned codePage;
        std::string utf8;
    } cases[] = {
        {"", 1252, ""},
        {"f0000001.jpg", 1252, "f0000001.jpg"},
        {"caf\xE9", 1252, "caf\xC3\xA9"},
        {"\x80", 1252, "\xE2\x82\xAC"},  // the euro sign sits at 0x80 in 1252
        {"\xFF", 1252, "\xC3\xBF"},
        {"\x83\x4A\x83\x81\x83\x89", 932, "\xE3\x82\xAB\xE3\x83\xA1\xE3\x83\xA9"},  // Shift JIS
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(win::Utf8FromCodePage(cases[i].text, cases[i].codePage), cases[i].utf8) << "case " << i;

    // Every text field goes through the conversion, then the quoting.
    RecordedFile file;
    file.nameWritten = "Undated\\caf\xE9, \"1\".jpg";
    file.nameFound = "caf\xE9, \"1\".jpg";
    file.camera = "Kodak \xAE";
    file.result = RecordResult::Failed;
    file.problem = "Could not write \"caf\xE9\".";
    EXPECT_EQ(workflow::RecordLine(file, From1252),
              "\"Undated\\caf\xC3\xA9, \"\"1\"\".jpg\",\"caf\xC3\xA9, \"\"1\"\".jpg\",0,,,Kodak \xC2\xAE,intact,,1,,"
              "failed,\"Could not write \"\"caf\xC3\xA9\"\".\"\r\n");
    EXPECT_EQ(win::Utf8FromAnsi("plain"), "plain");
}

}  // namespace
