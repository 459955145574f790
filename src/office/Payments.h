#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The paid marks of a show: who was paid out or paid in, in cash or by a check. Checks are
// numbered counting up; a voided check keeps its number (the next check gets the next one), and
// its rider is open again. A rider already marked paid cannot be paid again.

enum class PayMethod { Cash, Check };

struct Payment {
    std::string Key;    // the rider's account in the cash-out
    std::string Rider;  // the name, for the reader of the file
    PayMethod Method = PayMethod::Cash;
    int CheckNumber = 0;        // checks only
    std::int64_t NetCents = 0;  // what the rider owed (> 0) or got (< 0) when paid
    std::string When;           // local wall time
    bool Voided = false;        // a check voided later

    bool operator==(const Payment&) const = default;
};

class PaidBook {
public:
    // The checks start at this number when the book has none.
    static constexpr int FirstCheckNumber = 1;

    const std::vector<Payment>& Payments() const { return payments_; }
    // The rider's payment that stands (not voided); none while they are open.
    const Payment* PaidOf(std::string_view key) const;
    // The number the next check gets: one above every check written, voided ones too.
    int NextCheckNumber() const;

    // Marks the rider paid; a check gets the next number. Returns the message when refused
    // (already paid); the payment as entered otherwise.
    std::string Pay(Payment payment, Payment* entered = nullptr);
    // Voids the check with that number; it keeps its number. The message when there is no such
    // check or it is voided already.
    std::string VoidCheck(int number, Payment* voided = nullptr);

    // The book as the file in the show folder holds it (JSON), and back. A broken file gives
    // nothing and the reason.
    std::string Text() const;
    static std::optional<PaidBook> Parse(std::string_view text, std::string& error);

private:
    std::vector<Payment> payments_;
};

// "bar" or "Scheck 12" (with "storniert" when voided).
std::string PaymentText(const Payment& payment);
