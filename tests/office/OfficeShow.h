#pragma once

// A show of two paying classes with an office fee per rider and per horse, the one every test of
// the show office is tried against:
//   Open    entry 40, two places paid (60/40), drawn with no. 3 scratched before the draw
//           1 Anna Berg   / Blue  15,00  1st: 96,00 of 4 x 40
//           2 Ben Ott     / Rio   16,00  2nd: 64,00
//           3 Carla Hof   / Star  scratched before the draw: refunded, pays nothing
//           4 Dora Lind   / Max   scratched after the draw: has paid
//           5 Anna Müller / Lotte 17,50  nothing
//   Jugend  entry 20, one place paid, not drawn
//           7 Anna Berg    / Blue  18,00  nothing (she wins in Open only)
//           8 Müller, Anna / Lotte 17,00  1st: 60,00 of 3 x 20 (the same rider as no. 5,
//                                         spelled another way: pointed out, never merged)
//           9 Emil Graf    / Fox   DQ     nothing
// Office: 10 per rider, 15 per horse (Lotte is charged once).
inline constexpr const char* OfficeShowJson = R"({
  "show": {"name": "Herbstturnier", "date": "2026-10-03", "place": "Kleinweiler"},
  "office": {"fee_per_rider": 10, "fee_per_horse": 15},
  "classes": [
    {"name": "Open", "file": "open.txt", "payout": {"entry_fee": 40, "places": 2},
     "draw": {"seed": 1, "scratched": ["3"]}},
    {"name": "Jugend", "file": "jugend.txt", "payout": {"entry_fee": 20, "places": 1}}
  ]
})";

inline constexpr const char* OfficeOpenFile =
    "1;Anna Berg;Blue;;15,00;0;;;15,00\r\n"
    "2;Ben Ott;Rio;;16,00;0;;;16,00\r\n"
    "3;Carla Hof;Star;;;;;Abgemeldet;\r\n"
    "4;Dora Lind;Max;;;;;Abgemeldet;\r\n"
    "5;Anna Müller;Lotte;;17,50;0;;;17,50\r\n";

inline constexpr const char* OfficeJugendFile =
    "7;Anna Berg;Blue;;18,00;0;;;18,00\r\n"
    "8;Müller, Anna;Lotte;;17,00;0;;;17,00\r\n"
    "9;Emil Graf;Fox;;16,00;0;DQ;Tonne;DQ\r\n";
