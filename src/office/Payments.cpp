#include "office/Payments.h"

#include <algorithm>
#include <nlohmann/json.hpp>

using nlohmann::json;

const Payment* PaidBook::PaidOf(std::string_view key) const {
    const auto found = std::find_if(payments_.rbegin(), payments_.rend(), [&](const Payment& paid) {
        return paid.Key == key && !paid.Voided;
    });
    return found == payments_.rend() ? nullptr : &*found;
}

int PaidBook::NextCheckNumber() const {
    int next = FirstCheckNumber;
    for (const Payment& paid : payments_) {
        if (paid.Method == PayMethod::Check) {
            next = std::max(next, paid.CheckNumber + 1);
        }
    }
    return next;
}

std::string PaidBook::Pay(Payment payment, Payment* entered) {
    if (const Payment* paid = PaidOf(payment.Key)) {
        return payment.Rider + " ist schon bezahlt (" + PaymentText(*paid) + ", " + paid->When +
               "). Zweimal bezahlen geht nicht; erst den Scheck stornieren.";
    }
    payment.Voided = false;
    payment.CheckNumber = payment.Method == PayMethod::Check ? NextCheckNumber() : 0;
    payments_.push_back(std::move(payment));
    if (entered) {
        *entered = payments_.back();
    }
    return {};
}

std::string PaidBook::VoidCheck(int number, Payment* voided) {
    const auto found = std::find_if(payments_.begin(), payments_.end(), [&](const Payment& paid) {
        return paid.Method == PayMethod::Check && paid.CheckNumber == number;
    });
    if (found == payments_.end()) {
        return "Einen Scheck Nr. " + std::to_string(number) + " gibt es nicht.";
    }
    if (found->Voided) {
        return "Scheck Nr. " + std::to_string(number) + " ist schon storniert.";
    }
    found->Voided = true;
    if (voided) {
        *voided = *found;
    }
    return {};
}

std::string PaidBook::Text() const {
    json list = json::array();
    for (const Payment& paid : payments_) {
        json item = {{"key", paid.Key},
                     {"rider", paid.Rider},
                     {"method", paid.Method == PayMethod::Check ? "check" : "cash"},
                     {"net_cents", paid.NetCents},
                     {"when", paid.When}};
        if (paid.Method == PayMethod::Check) {
            item["check"] = paid.CheckNumber;
            item["voided"] = paid.Voided;
        }
        list.push_back(std::move(item));
    }
    return json{{"payments", list}}.dump(2) + "\n";
}

std::optional<PaidBook> PaidBook::Parse(std::string_view text, std::string& error) {
    PaidBook book;
    try {
        // Four levels are all the file has.
        const json root =
            json::parse(text.begin(), text.end(), [](int depth, json::parse_event_t, const json&) {
                if (depth > 4) {
                    throw json::other_error::create(501, "zu tief verschachtelt", nullptr);
                }
                return true;
            });
        for (const json& item : root.at("payments")) {
            Payment paid;
            paid.Key = item.at("key").get<std::string>();
            paid.Rider = item.at("rider").get<std::string>();
            const std::string method = item.at("method").get<std::string>();
            if (method != "cash" && method != "check") {
                throw json::other_error::create(502, "method: cash oder check", nullptr);
            }
            paid.Method = method == "check" ? PayMethod::Check : PayMethod::Cash;
            paid.NetCents = item.at("net_cents").get<std::int64_t>();
            paid.When = item.value("when", "");
            if (paid.Method == PayMethod::Check) {
                paid.CheckNumber = item.at("check").get<int>();
                paid.Voided = item.value("voided", false);
            }
            book.payments_.push_back(std::move(paid));
        }
    } catch (const json::exception& fault) {
        error = std::string("Kassenbuch beschädigt: ") + fault.what();
        return std::nullopt;
    }
    return book;
}

std::string PaymentText(const Payment& payment) {
    if (payment.Method == PayMethod::Cash) {
        return "bar";
    }
    return "Scheck Nr. " + std::to_string(payment.CheckNumber) +
           (payment.Voided ? " (storniert)" : "");
}
