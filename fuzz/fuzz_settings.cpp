// The settings file reader on arbitrary files, read and written through the typed
// calls the table uses. A value written must read back as written.
#include "fuzzinput.h"

#include "settings/inifile.h"
#include "protocol/wiretext.h"

#include <QCoreApplication>

namespace {

// Keys and section names as the program spells them, and a few others.
QString name(fuzz::Input& in) {
    static const char* kNames[] = {"Vimbrel",    "Phrase1", "Textcolor", "Botspeed", "Top",
                                   "Playsounds", "Zumvek",  "vimbrel",   "Phrase10", "Left"};
    return QString::fromLatin1(kNames[in.below(std::size(kNames))]);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    const int steps = in.below(8);
    QByteArray file = in.bytes(255);
    file += in.bytes(255);
    IniFile ini;
    ini.parse(file);
    QList<std::pair<QString, QString>> written; // the keys written, each once
    auto remember = [&written](const QString& section, const QString& key) {
        written.removeIf([&](const auto& w) {
            return w.first.compare(section, Qt::CaseInsensitive) == 0 &&
                   w.second.compare(key, Qt::CaseInsensitive) == 0;
        });
        written.append({section, key});
    };
    for (int i = 0; i < steps; ++i) {
        const QString section = name(in);
        const QString key = name(in);
        if (in.flag()) {
            const QString value = wire::decode(in.bytes(32));
            ini.writeString(section, key, value);
            FUZZ_CHECK(ini.readString(section, key) == wire::singleLine(value));
            FUZZ_CHECK(ini.contains(section, key));
            remember(section, key);
        } else {
            const int low = in.byte();
            const int value = (low | in.byte() << 8) - 32768;
            ini.writeInteger(section, key, value);
            FUZZ_CHECK(ini.readInteger(section, key, value + 1) == value);
            remember(section, key);
        }
    }
    const QString lastSection = name(in);
    ini.readInteger(lastSection, name(in), 0);
    // What we save must read back the same on the next start, and saving what was
    // read must change nothing more.
    IniFile again;
    again.parse(ini.text());
    for (const auto& [section, key] : written)
        FUZZ_CHECK(again.readString(section, key) == ini.readString(section, key));
    IniFile third;
    third.parse(again.text());
    FUZZ_CHECK(third.text() == again.text() || again.text().startsWith("\xEF\xBB\xBF"));
    return 0;
}
