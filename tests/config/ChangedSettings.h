#pragma once

#include "config/Settings.h"

// Settings with every value away from its default.
inline Settings ChangedSettings() {
    Settings s;
    s.Left = -1200;
    s.Top = 40;
    s.Width = 1000;
    s.Height = 700;
    s.Left2 = 1920;
    s.Top2 = 10;
    s.Width2 = 800;
    s.Height2 = 450;
    s.Port = 3;
    s.Alg = 1;
    s.CountDown = false;
    s.CountDownSek = 45000;
    s.TimeWarnung = 5000;
    s.TimeLock = 0;
    s.Abbruch = false;
    s.SoundCountDown = false;
    s.SoundWarnung = false;
    s.SoundAbbruch = true;
    s.FullScreen = true;
    s.LastFileName = "/home/turnier/Start, Liste Ö; \"Finale\".txt";
    s.Monitor = 1;
    s.LiveAddress = "127.0.0.1";
    s.Mqtt = true;
    s.MqttHost = "broker.example";
    s.MqttPort = 8883;
    s.MqttTls = true;
    s.MqttCaFile = "/etc/corralix/ca.crt";
    s.MqttUser = "arena1";
    s.MqttPassword = "geheim, \"nicht\" lesen";
    s.MqttPrefix = "verein/corralix";
    s.Arena = "Reithalle Süd";
    s.BackupPort = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    s.BackupTolerance = 25;
    s.TimerPort = "/dev/ttyS1";
    s.TimerFormat = "ein anderes Format";
    s.TimerBaud = 38400;
    s.TimerPrimary = true;
    return s;
}
