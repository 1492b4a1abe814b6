// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lists/guest_record.h"

#include <QString>

#include <array>

// The 29 columns of the exchange file in file order. Column 1 carries the
// record number and has no field.
struct ExchangeColumn {
    QString title;
    const GuestField* field;
};

constexpr int kExchangeColumnCount = 29;

const std::array<ExchangeColumn, kExchangeColumnCount>& exchangeColumns();
