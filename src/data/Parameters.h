#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

namespace data {

// A statement with :name parameters turned into the server's positional form ($1, $2...).
// Quoted text, quoted names, comments (block comments nest, as on the server) and :: casts
// are left alone. A name used twice
// becomes one position.
struct ParsedStatement {
    QByteArray positional;
    QStringList names; // lower-case, in order of position
};

ParsedStatement parseStatement(const QString& sql);

// Parameter values set by name, case-insensitively.
class Parameters {
public:
    void set(const QString& name, const QVariant& value);
    QVariant value(const QString& name) const;
    bool contains(const QString& name) const;
    void clear() { values_.clear(); }

    // The values for the parsed statement's positions; a name without a value is an error,
    // and so is a text holding NUL (ConversionError).
    std::vector<std::optional<QByteArray>> bind(const ParsedStatement& statement) const;

private:
    std::vector<std::pair<QString, QVariant>> values_;
};

} // namespace data
