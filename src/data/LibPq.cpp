#include "LibPq.h"

#include "Error.h"

#include <QString>
#include <dlfcn.h>

namespace data::libpq {

namespace {

Api load() {
    void* library = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
    if (!library)
        throw Error(QStringLiteral("Не удалось загрузить клиентскую библиотеку PostgreSQL "
                                   "(libpq.so.5):\n") +
                    QString::fromLocal8Bit(dlerror()));
    Api api;
#define TABEL_LIBPQ_RESOLVE(name)                                                                  \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(library, #name));                        \
    if (!api.name)                                                                                 \
        throw Error(QStringLiteral("В клиентской библиотеке PostgreSQL нет функции " #name));
    TABEL_LIBPQ_FUNCTIONS(TABEL_LIBPQ_RESOLVE)
#undef TABEL_LIBPQ_RESOLVE
    return api; // the library stays loaded for the life of the program
}

} // namespace

const Api& api() {
    static const Api loaded = load();
    return loaded;
}

} // namespace data::libpq
