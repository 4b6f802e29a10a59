#pragma once
// STREAM ON of the switcher page: starts the separate stream decoder program
// that lies beside the panel's executable. Configure.ini in the same folder
// records in section "Settings", key "decode_state", that the decoder is open
// ("on"), so that further presses do not start it a second time.
//
// Beyond the plain flag: a start that fails leaves "decode_state" as it was
// and tells the operator in an "Err" box; a decoder this process started that
// has exited since can be started again; where Configure.ini cannot be
// written beside the executable it lives in the user's configuration folder.
#include <QString>

// Starts the decoder unless it is open. Sends no frame.
void OnStreamOn();

// Folder of the decoder program and of Configure.ini; empty (the default)
// means the folder of the running executable. Changing it forgets the
// decoder this process started there.
void set_stream_decoder_program_dir(const QString& dir);
// Folder of Configure.ini when it cannot be written beside the program;
// empty (the default) means the user's configuration folder.
void set_stream_decoder_fallback_dir(const QString& dir);

// File name of the decoder program: DecodeH264, with .exe on Windows.
QString stream_decoder_program_name();
