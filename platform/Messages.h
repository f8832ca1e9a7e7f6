#pragma once
// The program's fixed message texts, each defined once. They are the texts users and
// their scripts know, so they stand exactly as the program has always shown them,
// spelling included. Texts with printf conversions are marked by their name ending
// in Format.
namespace msg {

// Ports and the printer.
inline constexpr char kNotTransmitted[] = "Communication error. Can not transimitted.";
inline constexpr char kWriteToPortFailed[] = "ERROR - Write to port.";
inline constexpr char kReceiveFailed[] = "ERROR - Receive data.";
inline constexpr char kCommFailed[] = "ERROR - Comm.";
inline constexpr char kOpenPortFailed[] = "ERROR - Open port.";
inline constexpr char kPortOpenFailed[] = "ERROR - Port open.";
inline constexpr char kPrinterCheckFailed[] = "ERROR - Printer check.";
inline constexpr char kOpenPortOrFileFailedFormat[] = "ERROR[%d] - Open port or file.";
inline constexpr char kOverlappedWriteFailed[] = "GetOverlappedResult (write) failed";

// The logo list.
inline constexpr char kStoredFileIncorrect[] = "Bitmap files that was defined with Log file is incorrect.";
inline constexpr char kTooManyFiles[] = "Don't Read files any more!";
inline constexpr char kUnsupportedFormat[] = "It is not support bitmap format!";
inline constexpr char kAreaTooSmall[] = "NV-bitimage area too small";
inline constexpr char kOutOfMemoryShort[] = "Out of memory";
inline constexpr char kOutOfMemory[] = "Out of memory.";
inline constexpr char kNoFileSelected[] = "BMP file does not selected.";
inline constexpr char kConfirmReset[] = "Reseting the file. \nContinue it?";
// Files picked in one Open File that were refused, one "file: reason" a line.
inline constexpr char kFileNotAddedFormat[] = "This file was not added:\r\n%s";
inline constexpr char kFilesNotAddedFormat[] = "These files were not added:\r\n%s";
// Closes a list of files that names only the first of them.
inline constexpr char kMoreFilesFormat[] = "and %d more";

// The download.
inline constexpr char kConfirmDownload[] =
    "All bit image files are written in the NV Graphics memory of the printer.";
inline constexpr char kConfirmDeleteAll[] =
    "No file selected. \r\nThis work delete all bitmap image in your printer.";
inline constexpr char kDownloadComplete[] =
    "Complete the NV bit image definition.\r\nPlease wait some paper feed.";
inline constexpr char kCannotReadFormat[] =
    "Cannot read the bitmap file\r\n%s\r\nThe download was not started.";
inline constexpr char kTooLargeFormat[] =
    "The bitmap is too large for one NV bit image:\r\n%s\r\n"
    "It needs %lld bytes of raster data (centring columns included), at most %d fit.\r\n"
    "The download was not started.";
inline constexpr char kNotDefinableFormat[] =
    "The bitmap is too large for one NV bit image:\r\n%s\r\n"
    "It is %lld x %lld dots (centring columns included); the printer takes at most %d dots\r\n"
    "across and %d dots down.\r\n"
    "The download was not started.";
inline constexpr char kEmptyDefinitionsFormat[] =
    "These bitmap files could not be read any more while they were downloaded:\r\n%s"
    "The printer holds an empty image in their place. Check the files and download again.";
inline constexpr char kProfileNotWrittenFormat[] =
    "The list of the downloaded files could not be stored in\r\n%s\r\n"
    "The printer holds the new images, but the next start-up lists the files of the download before.";

// The print.
inline constexpr char kRangeError[] = "NV image number is incorrect.";

// Follows "The printer is not taking data." on a progress dialog's status line.
inline constexpr char kCancelEndsDownload[] = "Cancel ends the download.";
inline constexpr char kCancelEndsPrint[] = "Cancel ends the printing.";

// The output-file name and the network printer's address.
inline constexpr char kNoOutputFileName[] = "Input the output file name!";
inline constexpr char kNoPrinterAddress[] = "Input the printer address!";

// The Setup page's status line after Apply.
inline constexpr char kPrinterAnswered[] = "The printer answered.";
inline constexpr char kPrinterDidNotAnswer[] = "The printer did not answer.";

// A settings file that exists but cannot be read: the file, then the reason.
inline constexpr char kProfileUnreadableFormat[] =
    "The settings file\r\n%s\r\ncannot be read (%s).\r\n\r\n"
    "It is left as it is: the logos stored in the printer are not listed, and nothing is saved in it "
    "until it can be read again.";

// Start-up in a folder that cannot be written: the folder, then the reason.
inline constexpr char kWorkDirUnwritableFormat[] =
    "The settings cannot be saved in the folder\r\n%s\r\n(%s).\r\n\r\n"
    "The list of logos in the printer and the port kind will be forgotten when the program ends. "
    "Start it from the desktop menu, or from a folder you may write to.";

} // namespace msg
