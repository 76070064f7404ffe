#include "core/Settings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

#include "core/Error.h"

namespace plomix {
namespace {

struct Entry {
  SettingNo number;
  const char* key;
  SettingType type;
  int intDefault;
  const char* stringDefault;
  const char* label;
};

constexpr std::array kTable{
#define PLOMIX_INT_ENTRY(number, key, intDefault, label) \
  Entry{key, #key, SettingType::Integer, intDefault, "", label},
#define PLOMIX_STRING_ENTRY(number, key, stringDefault, label) \
  Entry{key, #key, SettingType::String, 0, stringDefault, label},
    PLOMIX_SETTINGS_TABLE(PLOMIX_INT_ENTRY, PLOMIX_STRING_ENTRY)
#undef PLOMIX_INT_ENTRY
#undef PLOMIX_STRING_ENTRY
};

static_assert(kTable.size() == 105);
// Lookups use a binary search, so numbers must rise strictly.
static_assert(std::adjacent_find(kTable.begin(), kTable.end(), [](const Entry& a, const Entry& b) {
                return a.number >= b.number;
              }) == kTable.end());

const Entry* Find(SettingNo number) {
  const auto* it = std::lower_bound(kTable.begin(), kTable.end(), number,
                                    [](const Entry& e, SettingNo n) { return e.number < n; });
  return it != kTable.end() && it->number == number ? it : nullptr;
}

const Entry* Find(SettingNo number, SettingType type) {
  const Entry* entry = Find(number);
  return entry != nullptr && entry->type == type ? entry : nullptr;
}

QString ConfigFolder() {
  const QString folder = qEnvironmentVariable("PLOMIX2_CONFIG_DIR");
  return folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
                          : folder;
}

// Anything the INI reader did not turn into plain text (an unquoted "a, b"
// becomes a list, "@Point(1 2)" a point) counts as missing, so a hand-damaged
// file reads as defaults instead of stopping the program.
std::optional<QString> ReadText(const QString& path, const QString& key) {
  const QSettings store(path, QSettings::IniFormat);
  const QVariant value = store.value(key);
  if (value.typeId() != QMetaType::QString) return std::nullopt;
  return value.toString();
}

// Writes the text, or removes the key when there is none. QSettings reports
// FormatError for a damaged file even when the write went through, and once
// set that status hides a later AccessError; so any status but NoError is
// settled by reading the value back.
void WriteText(const QString& path, const QString& key, const std::optional<QString>& text) {
  {
    QSettings store(path, QSettings::IniFormat);
    if (text) {
      store.setValue(key, *text);
    } else {
      store.remove(key);
    }
    store.sync();
    if (store.status() == QSettings::NoError) return;
  }
  if (ReadText(path, key) != text) {
    throw CatalogError(ErrorCode::SettingsWrite, {path.toStdString()});
  }
}

// The whole text must be one decimal 32-bit integer; surrounding spaces are
// forgiven, anything else (hex, exponents, full-width digits) is not. Every
// character outside Latin-1 becomes '?' and fails the parse like any letter.
std::optional<int> ParseInt(const QString& text) {
  const QByteArray latin1 = text.trimmed().toLatin1();
  const char* begin = latin1.constData();
  const char* end = begin + latin1.size();
  // from_chars takes a minus sign but no plus sign.
  if (end - begin > 1 && begin[0] == '+' && begin[1] >= '0' && begin[1] <= '9') ++begin;
  int value = 0;
  const auto [ptr, ec] = std::from_chars(begin, end, value, 10);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

Settings::Settings() : Settings(ConfigFolder()) {}

Settings::Settings(const QString& configFolder) {
  if (configFolder.isEmpty()) throw std::invalid_argument("the settings folder name is empty");
  filePath_ = QDir::cleanPath(QDir(configFolder).absoluteFilePath("Quernfield/Plomix2.conf"));
}

QString Settings::GetString(SettingNo number) const {
  const Entry* entry = Find(number, SettingType::String);
  if (entry == nullptr) return QString();
  return ReadText(filePath_, QString::fromLatin1(entry->key))
      .value_or(QString::fromUtf8(entry->stringDefault));
}

int Settings::GetInt(SettingNo number) const {
  const Entry* entry = Find(number, SettingType::Integer);
  if (entry == nullptr) return 0;
  const std::optional<QString> text = ReadText(filePath_, QString::fromLatin1(entry->key));
  return text ? ParseInt(*text).value_or(entry->intDefault) : entry->intDefault;
}

void Settings::SetString(SettingNo number, const QString& value) {
  const Entry* entry = Find(number, SettingType::String);
  if (entry != nullptr) WriteText(filePath_, QString::fromLatin1(entry->key), value);
}

void Settings::SetInt(SettingNo number, int value) {
  const Entry* entry = Find(number, SettingType::Integer);
  if (entry != nullptr) {
    WriteText(filePath_, QString::fromLatin1(entry->key), QString::number(value));
  }
}

std::optional<SettingInfo> Settings::Describe(SettingNo number) {
  const Entry* entry = Find(number);
  if (entry == nullptr) return std::nullopt;
  SettingInfo info;
  info.number = entry->number;
  info.key = QString::fromLatin1(entry->key);
  info.label = QString::fromUtf8(entry->label);
  info.type = entry->type;
  info.intDefault = entry->intDefault;
  info.stringDefault = QString::fromUtf8(entry->stringDefault);
  return info;
}

QList<SettingNo> Settings::Numbers() {
  QList<SettingNo> numbers;
  numbers.reserve(static_cast<qsizetype>(kTable.size()));
  for (const Entry& entry : kTable) numbers.append(entry.number);
  return numbers;
}

QString Settings::GetRaw(const QString& key, const QString& fallback) const {
  return ReadText(filePath_, key).value_or(fallback);
}

void Settings::SetRaw(const QString& key, const QString& value) {
  if (QString(key).remove(u'/').remove(u'\\').isEmpty()) {
    throw std::invalid_argument("a settings key needs a name: \"" + key.toStdString() + "\"");
  }
  WriteText(filePath_, key, value);
}

void Settings::RemoveRaw(const QString& key) {
  WriteText(filePath_, key, std::nullopt);
}

QStringList Settings::RawKeys(const QString& group) const {
  QSettings store(filePath_, QSettings::IniFormat);
  store.beginGroup(group);
  return store.allKeys();
}

}  // namespace plomix
