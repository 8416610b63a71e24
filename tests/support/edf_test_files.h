#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Generated EDF recordings for the tests, so a fresh clone needs no data.
// Every text is padded with spaces to its field's width.
struct EdfFileSpec {
    std::string version = "20160817";
    std::string patient = "X M 01-JAN-1970 Test_Subject";
    std::string recording = "Startdate 17-AUG-2016 X X X";
    std::string startDate = "17.08.16";
    std::string startTime = "10.00.00";
    std::optional<std::string> headerBytes; // default: 256 * (signals + 1)
    std::string headerReserved; // "EDF+C" for EDF+
    std::string dataRecords = "921600";
    std::string recordDuration = "0.001953";
    std::optional<std::string> signalCount; // default: number of signals
    std::vector<std::string> labels; // default: "EEG 1", "EEG 2", ...; a signal labelled
                                     // "EDF Annotations" gets blank transducer, dimension
                                     // and prefiltering, as EDF+ writers leave them
    std::vector<std::string> samplesPerRecord{"512", "512"};
    std::string physicalMinimum = "-3200";
    std::string physicalMaximum = "3200";
    std::string digitalMinimum = "-32768";
    std::string digitalMaximum = "32767";
    std::string prefiltering = "HP:0.1Hz LP:70Hz";
    std::string signalReserved = "unused";
    std::size_t storedRecords = 1800; // data records really written
    // The onset each stored record's "EDF Annotations" signal begins with, in
    // a time-keeping TAL; by default "+0", "+1", ... in whole durations.
    std::vector<std::string> onsets;
};

// The recorder's file of the worked example: 1800 s at 512 Hz, two signals,
// stored as 921600 "records" of 0.001953 s.
EdfFileSpec recorderFile();

// recorderFile() as a correct repair leaves it: 1800 records of 1 s,
// version "0", prefiltering and reserved blank.
EdfFileSpec repairedRecorderFile();

// A file every EDF reader accepts: 6 records of 1 s, two signals.
EdfFileSpec soundFile();

std::string buildEdf(const EdfFileSpec &fileSpec);

// Bytes of the samples of the data records, a pattern that never repeats in step with a record.
std::size_t dataBytes(const EdfFileSpec &fileSpec);

// A text padded with spaces to the given width.
std::string padded(const std::string &text, std::size_t width);
