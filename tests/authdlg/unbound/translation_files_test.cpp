// The translation sources: every text of the library is in both files, in
// its context, and translated.
#include <gtest/gtest.h>

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <QtCore/QProcess>
#include <QtCore/QTemporaryDir>
#include <QtCore/QXmlStreamReader>

#include <map>
#include <set>
#include <string>

namespace {

// context -> source -> translation
using Catalogue = std::map<std::string, std::map<std::string, std::string>>;

Catalogue Read(const QString &path, bool *ok) {
    Catalogue catalogue;
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    QXmlStreamReader xml(&file);
    std::string context, source;
    bool unfinished = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == u"name") {
            context = xml.readElementText().toStdString();
        } else if (xml.name() == u"source") {
            source = xml.readElementText().toStdString();
        } else if (xml.name() == u"translation") {
            unfinished = xml.attributes().value("type") == u"unfinished";
            const std::string text = xml.readElementText().toStdString();
            catalogue[context][source] = unfinished ? std::string() : text;
        }
    }
    *ok = *ok && !xml.hasError();
    return catalogue;
}

// What lupdate finds in the library's sources and forms today.
Catalogue Extracted() {
    QTemporaryDir directory;
    const QString ts = directory.filePath("extracted.ts");
    QProcess lupdate;
    const QDir sources(AUTHDLG_SOURCE_DIR);
    QStringList arguments = sources.entryList({"*.cpp", "*.ui"}, QDir::Files);
    arguments << "-locations"
              << "none"
              << "-silent"
              << "-ts" << ts;
    lupdate.setWorkingDirectory(sources.path());
    lupdate.start(AUTHDLG_LUPDATE, arguments);
    lupdate.waitForFinished(60000);
    bool ok = false;
    return Read(ts, &ok);
}

class TranslationFile : public ::testing::TestWithParam<const char *> {};

TEST_P(TranslationFile, TranslatesEveryTextOfTheLibrary) {
    bool ok = false;
    const Catalogue shipped = Read(QString(AUTHDLG_SOURCE_DIR) + "/translations/" + GetParam(), &ok);
    ASSERT_TRUE(ok);
    const Catalogue extracted = Extracted();
    ASSERT_EQ(extracted.count("QObject"), 1u) << "lupdate found nothing";
    ASSERT_EQ(extracted.size(), 3u) << "QObject, WFingerPrint and WPinInput";

    for (const auto &[context, messages] : extracted) {
        for (const auto &[source, unused] : messages) {
            const auto found = shipped.find(context);
            ASSERT_NE(found, shipped.end()) << context;
            const auto message = found->second.find(source);
            ASSERT_NE(message, found->second.end()) << context << ": \"" << source << "\" is missing";
            EXPECT_FALSE(message->second.empty()) << context << ": \"" << source << "\" is not translated";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationFile, ::testing::Values("authdlg_de.ts", "authdlg_zh_CN.ts"),
                         [](const auto &param) { return std::string(param.param[8] == 'd' ? "German" : "Chinese"); });

TEST(CompiledTranslations, AreBuiltBesideTheLibrary) {
    for (const char *name : {"authdlg_de.qm", "authdlg_zh_CN.qm"}) {
        EXPECT_TRUE(QFile::exists(QString(FPKEY_BINARY_DIR) + "/share/authdlg/translations/" + name)) << name;
    }
}

}  // namespace
