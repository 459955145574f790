#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

// The register of riders and horses, kept across shows in an SQLite file in the user's data
// folder: each rider with member number, phone and e-mail, each horse with its owner, and which
// horses a rider rides. Riders are told apart by their name as written; two spellings of one
// name are pointed out, never merged.

// One line of a start list as the register takes it.
struct RegisterLine {
    std::string Rider;
    std::string Member;  // empty when the list has none
    std::string Horse;   // empty when the list has none
};

struct RegisteredRider {
    std::string Name;
    std::string Member;
    std::string Phone;
    std::string Email;
    std::vector<std::string> Horses;  // the horses they ride, by name
};

// Two names of the register that are probably one rider: "Müller, Anna" and "anna  müller".
using SpelledPair = std::pair<std::string, std::string>;

// What adding a list did.
struct RegisterOutcome {
    std::string Error;  // why the list could not be stored; empty when it was
    int NewRiders = 0;
    int NewHorses = 0;
    // Pairs with at least one name of the list, the name of the list first.
    std::vector<SpelledPair> SpelledTwice;
};

class Register {
public:
    // Opens the register at path, creating it (and its tables) when it is not there; a read-only
    // register is never created nor changed. Nothing, with the message, when it cannot be used.
    static std::unique_ptr<Register> Open(const std::string& path, std::string& error,
                                          bool readOnly = false);
    ~Register();
    Register(const Register&) = delete;
    Register& operator=(const Register&) = delete;

    // Takes the riders, horses and who rides which; a member number fills one the rider has not
    // got yet. All or nothing.
    RegisterOutcome Add(const std::vector<RegisterLine>& lines);
    // Phone and e-mail of a rider already in the register; false when there is none of that name.
    bool SetContact(std::string_view rider, std::string_view phone, std::string_view email);

    std::vector<RegisteredRider> Riders() const;
    // The horses by name, each with its owner ("" when unknown).
    std::vector<std::pair<std::string, std::string>> Horses() const;
    // The rider's member number; empty when the register does not know one.
    std::string MemberOf(std::string_view rider) const;

    const std::string& Path() const { return path_; }

private:
    Register(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
    bool Execute(const char* sql, std::string& error);

    sqlite3* db_ = nullptr;
    std::string path_;
};

// A rider's name as compared for spellings: blanks collapsed, letters in lower case (also Ä, Ö,
// Ü and the other Latin letters), "Müller, Anna" turned to "anna müller", and the words in
// order, so "Anna Müller" and "MÜLLER  Anna" give the same.
std::string RiderNameKey(std::string_view name);

// The pairs of names that give the same key but are written differently, with at least one of
// `added` in each (added's name first); every pair once.
std::vector<SpelledPair> SpelledTwice(const std::vector<std::string>& known,
                                      const std::vector<std::string>& added);

// The message for the operator: "Gleicher Reiter, anders geschrieben? (nicht zusammengeführt):
// "Müller, Anna" / "Anna Müller"; ..."; empty without pairs.
std::string SpelledTwiceText(const std::vector<SpelledPair>& pairs);
