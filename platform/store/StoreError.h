#pragma once
// Why a store operation failed.

#include <QString>

namespace plat {

struct StoreError {
    enum Code {
        CannotOpen = 1,   // the file cannot be opened or created
        NotAStore = 2,    // not SQLite, or SQLite holding someone else's tables
        ModelMismatch = 3, // the file's tables do not fit the model (migration off)
        Validation = 4,   // a record lacks a required value
        WriteFailed = 5,  // the transaction failed and was rolled back
        FetchFailed = 6,
        NoStore = 7,      // no store can hold the record
    };

    Code code = FetchFailed;
    QString message;
};

} // namespace plat
