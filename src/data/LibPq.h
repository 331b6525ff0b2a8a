#pragma once

#include <libpq-fe.h>

// The client library, loaded at the first connection rather than with the program: it and
// what it pulls in (TLS, Kerberos, LDAP) took longer to load than the login window took to
// draw. Every call of the data layer goes through api().
namespace data::libpq {

#define TABEL_LIBPQ_FUNCTIONS(F)                                                                   \
    F(PQbackendPID)                                                                                \
    F(PQclear)                                                                                     \
    F(PQcmdTuples)                                                                                 \
    F(PQconnectPoll)                                                                               \
    F(PQconnectStartParams)                                                                        \
    F(PQconnectdbParams)                                                                           \
    F(PQconsumeInput)                                                                              \
    F(PQerrorMessage)                                                                              \
    F(PQescapeIdentifier)                                                                          \
    F(PQexec)                                                                                      \
    F(PQexecParams)                                                                                \
    F(PQexecPrepared)                                                                              \
    F(PQfinish)                                                                                    \
    F(PQfmod)                                                                                      \
    F(PQfname)                                                                                     \
    F(PQfreemem)                                                                                   \
    F(PQftype)                                                                                     \
    F(PQgetisnull)                                                                                 \
    F(PQgetlength)                                                                                 \
    F(PQgetvalue)                                                                                  \
    F(PQnfields)                                                                                   \
    F(PQnotifies)                                                                                  \
    F(PQntuples)                                                                                   \
    F(PQparameterStatus)                                                                           \
    F(PQprepare)                                                                                   \
    F(PQreset)                                                                                     \
    F(PQresetPoll)                                                                                 \
    F(PQresetStart)                                                                                \
    F(PQresultErrorField)                                                                          \
    F(PQresultErrorMessage)                                                                        \
    F(PQresultStatus)                                                                              \
    F(PQsetErrorVerbosity)                                                                         \
    F(PQsetNoticeProcessor)                                                                        \
    F(PQsocket)                                                                                    \
    F(PQstatus)                                                                                    \
    F(PQtransactionStatus)

struct Api {
#define TABEL_LIBPQ_MEMBER(name) decltype(&::name) name = nullptr;
    TABEL_LIBPQ_FUNCTIONS(TABEL_LIBPQ_MEMBER)
#undef TABEL_LIBPQ_MEMBER
};

// Loads the library on the first call; throws data::Error when it is missing or incomplete.
const Api& api();

} // namespace data::libpq
