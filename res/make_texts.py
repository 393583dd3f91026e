#!/usr/bin/env python3
"""Writes res/Texts.h: the program's Chinese texts as code page 936 byte strings, and the texts it
sends to group chats as UTF-8 byte strings.

The texts are kept as byte escapes so that any compiler builds them the same way, whatever it
assumes of the source and execution character sets; each carries its readable form in a comment.
To add or change a text, edit TEXTS below and run this script (python3 res/make_texts.py).
A "{}" in a text is the place of a figure that the code fills in (FillIn, text/AnsiText.h) from the
constant it is said with, so that the text never states a figure the program does not use.
"""
import os

TEXTS = [
    # The main window
    ("kEncoderMissing", "请把ffmpeg.exe 文件放到执行文件目录！！！"),
    ("kTrayTip", "Quorvel电台推流客户端"),
    ("kButtonStart", "开始直播"),
    ("kButtonStop", "停止直播"),
    # The live switch and the watchdog
    ("kLogOnAir", "直播中。。。"),
    ("kLogOffAir", "关闭直播。。。"),
    ("kLogRelaunch", "直播进程被关闭，系统自动重启进程！"),
    # The encoder's own output while streaming
    ("kLogAacFallback", "ffmpeg.exe 不含 libfdk_aac 编码器，改用 aac 编码器"),
    ("kLogEncoderExitReason", "直播进程退出原因："),
    ("kLogEncoderStalled", "直播进程退出原因：编码器{}秒没有进度，已被结束"),
    # Before an encoder run reaches the stream format's time stamp limit
    ("kLogPlannedRelaunch", "直播进程已连续运行{}天，为免FLV时间戳溢出而计划重启"),
    # A reason after kLogEncoderExitReason, in the program's words
    ("kLogAlreadyPublishing", "服务器上同名的流仍在推送（Already publishing），稍后自动重试"),
    ("kStatusOnAir", "直播"),
    ("kStatusRelaunches", "重启"),
    ("kStatusTimes", "次"),
    ("kStatusOffAir", "未直播"),
    ("kStatusRetryIn", "秒后重连"),
    # The level meter
    ("kLogLevelMeterOff", "ffmpeg.exe 不支持电平测量滤镜，电平表已关闭"),
    ("kLogDeadAir", "检测到静音：音频电平已连续{}秒低于{} dBFS，请检查音频设备！"),
    ("kLogSoundBack", "音频信号已恢复"),
    ("kStatusSilence", "静音"),
    # The device listing
    ("kDeviceFileFailed", "创建设备列表文件失败！"),
    ("kDeviceFileUnreadable", "ParseDeviceLIst 打开文件失败！"),
    ("kListingTimedOut", "获取音频设备列表超时（{}秒），已结束ffmpeg.exe，设备列表未更新！"),
    ("kLogSearchAgain", "重新查找开始符号"),
    # Started unattended (/live) without the device chosen last
    ("kLogDeviceMissing", "音频设备\"{}\"不在设备列表中，暂不开始直播，每{}秒重新查找一次"),
    ("kLogNoDevices", "没有找到任何音频设备，暂不开始直播，每{}秒重新查找一次"),
    # Publish settings validation
    ("kMsgServerMissing", "请重新设置服务器地址，服务器地址不存在！"),
    ("kMsgServerPrefix", "请重新设置服务器地址，必须以\"rtmp://\"开头，请参考示例！"),
    ("kMsgAppMissing", "请重新设置服务器地址，APP字段不可为空，请参考示例！"),
    ("kMsgStreamMissing", "请重新设置服务器地址，STREAM字段不可为空，请参考示例！"),
    ("kMsgNotServiceHost", "非Quorvel习惯直播地址，有可能出错！！！"),
    ("kMsgDeviceMissing", "音频设备选择有误，请重新选择，或者检查声卡驱动程序！！！"),
    ("kMsgTooLong", "音频设备名称或服务器地址过长，无法启动直播！"),
    ("kMsgRtmpsWithoutTls", "此ffmpeg.exe不支持TLS，无法使用rtmps://地址，请换用支持TLS的ffmpeg.exe或rtmp://地址！"),
    # Beyond the first release: what the program tells about itself
    ("kStatusListing", "正在查找音频设备……"),
    ("kSettingsNotSaved", "设置未能保存到config.db，原来的设置保持不变！"),
    ("kStatusFileFailed", "无法读取ffmpeg.exe的输出（无法创建管道或线程），直播状态无从得知，编码器20秒后会被重启！"),
    # Alerts to a group chat: the log's side (the alerts themselves are UTF-8, below)
    ("kAlertAddressEmpty", "告警地址为空，告警消息不会发送！"),
    ("kAlertAddressScheme", "告警地址必须以http://或https://开头，告警消息不会发送！"),
    ("kAlertAddressMalformed", "告警地址格式有误，告警消息不会发送！"),
    ("kAlertSendFailed", "告警消息发送失败，稍后自动重试："),
    ("kAlertSendRecovered", "告警消息恢复发送："),
    ("kAlertGaveUp", "告警消息已放弃（{}分钟内未能发出）：{}"),
    ("kAlertQueueFull", "告警消息积压已满（{}条），丢弃最早的一条：{}"),
    # What an alert says where the log has no line of its own
    ("kAlertBackOnAir", "恢复直播"),
    ("kAlertClosing", "PushClient已关闭，直播结束"),
    ("kAlertTest", "这是一条测试消息：告警设置正确"),
    ("kAlertDefaultStation", "电台"),
    # The alert settings window
    ("kAlertTesting", "正在发送测试消息……"),
    ("kAlertTestSent", "测试消息已发送，请到群里查看。"),
    ("kAlertTestFailed", "测试消息发送失败："),
    # The log's day files, each text with the file's name
    ("kLogFileFailed", "无法写入日志文件{}，日志只显示在窗口中！"),
    ("kLogFileResumed", "日志已恢复写入文件{}"),
    # A reason after the relaunch line, with the stall's bound in seconds (kStallTimeoutMs)
    # With the status file this copy of the program writes instead
    ("kLogStatusFileMoved", "另一个PushClient正在使用C:\\NetStatus.txt，本程序的编码器状态改写到{}"),
    # On air means data going out; the status file is a mirror that may fail without ending anything
    ("kStatusConnecting", "正在连接服务器……"),
    ("kLogStatusFileFailing", "状态文件NetStatus.txt暂时无法写入（被删除、占用或只读），稍后自动重试，直播不受影响"),
    ("kLogStatusFileWritten", "状态文件NetStatus.txt已恢复写入"),
    ("kAlertNoDataOut", "编码器已启动，但没有数据发到服务器。"),
    # Started with /live: nothing waits for a click
    ("kLogEncoderMissingRetry", "找不到ffmpeg.exe：{}，每{}秒重试一次"),
    ("kLogListingFailedRetry", "无法运行ffmpeg.exe列出音频设备，每{}秒重试一次"),
    ("kLogStartupRecovered", "ffmpeg.exe已可以运行，继续启动"),
    # Windows ending the session
    ("kLogEndSession", "Windows正在关机或重启…"),
    # A file that could not be made readable by its user alone, with the file's name
    ("kLogFileNotPrivate", "无法把{}设为仅本用户可读（FAT32、exFAT格式的磁盘不支持文件权限），本机其他用户可能读到其中的地址！"),
    # What a chat's robot answered: a message it will never take, a signature refused for the PC's clock,
    # a chat's own address typed with http://, a secret for a chat that has no signing
    ("kAlertRefused", "告警消息被拒收，不再重试（{}）：{}，{}"),
    ("kAlertCheckClock", "；签名的时间不被接受，请检查本机的日期、时间和时区是否准确"),
    ("kAlertAddressNeedsHttps", "群聊的告警地址必须以https://开头，告警消息不会发送！"),
    ("kAlertSecretUnused", "此群聊没有签名功能，设置的密钥不会被使用"),
    # The alert settings window's test that failed: what the chat's robot said
    ("kAlertTestRobotSaid", "，机器人回复：{}"),
    # The recording beside the broadcast: its default folder, beside the program, and what the log says of
    # it; lines about the recording's own encoder begin with 录音：
    ("kRecordFolderDefault", "录音"),
    ("kLogRecordPrefix", "录音："),
    ("kLogRecordOn", "录音：开始录音，文件保存在{}"),
    ("kLogRecordOff", "录音：停止录音"),
    ("kLogRecordSaved", "录音：已保存{}"),
    ("kLogRecordRelaunch", "录音：录音进程被关闭，系统自动重启进程！"),
    ("kLogRecordExitReason", "录音：录音进程退出原因："),
    ("kLogRecordStalled", "录音：录音进程退出原因：编码器{}秒没有进度，已被结束"),
    ("kLogRecordLaunchFailed", "录音：无法启动录音进程，稍后自动重试"),
    ("kLogRecordFolderFailed", "录音：无法创建录音文件夹{}，稍后自动重试"),
    ("kLogRecordBack", "录音：录音已恢复"),
    ("kLogRecordExpired", "录音：已删除{}个保存超过{}天的录音文件"),
    ("kLogRecordSpaceFreed", "录音：磁盘剩余空间不足{} MB，已删除最早的录音{}"),
    ("kLogRecordPaused", "录音：磁盘剩余空间不足{} MB，且没有可删除的旧录音，已暂停录音"),
    ("kLogRecordResumed", "录音：磁盘剩余空间已恢复，继续录音"),
    # The recording in the window: the status line, the tray icon's tip, and the recording giving way to
    # the broadcast, which needs the audio device
    ("kStatusRecording", "录音"),
    ("kStatusRecordingPaused", "录音暂停"),
    ("kTrayTipOnAir", "直播中"),
    ("kTrayTipOffAir", "未直播"),
    ("kTrayTipNotOnAir", "未在播出，正在连接服务器"),
    ("kTrayTipRecording", "录音中"),
    ("kLogRecordGaveWay", "录音：音频设备被直播占用，录音已停止"),
    # The recording's settings window ("录音设置…"): its figures, worked out off the window's thread, and
    # its messages; a range's ends come from RecordSettings.h
    ("kRecordComputing", "计算中…"),
    ("kRecordFolderSize", "{}（{}个录音文件）"),
    ("kRecordFolderMissing", "文件夹尚未创建"),
    ("kRecordFolderUnreadable", "无法读取此文件夹"),
    ("kRecordFreeUnknown", "无法得知"),
    ("kRecordBrowseTitle", "选择保存录音的文件夹："),
    ("kMsgRecordKeepDays", "录音保存天数必须是{}到{}之间的整数！"),
    ("kMsgRecordSegmentMinutes", "每段录音时长必须是{}到{}分钟之间的整数！"),
    ("kMsgRecordMinFreeMb", "最少剩余空间必须是{}到{} MB之间的整数（0为不限）！"),
    ("kMsgRecordFolderChars", "录音文件夹的路径不能含有 * ? \" < > | 这些字符！"),
    ("kMsgRecordNotSaved", "录音设置未能保存到{}，原来的设置保持不变！"),
    ("kMsgRecordFolderNotOpened", "无法打开录音文件夹{}（无法创建或访问）！"),
]

# Texts that go out to a group chat's webhook: UTF-8 bytes, never shown in the window. They are written
# into namespace utf8, so that a UTF-8 text is never taken for one of the window's unnoticed.
UTF8_TEXTS = [
    ("kAlertStationOpen", "【"),
    ("kAlertStationClose", "】"),
    ("kAlertDropsFoldedOpen", "（"),
    ("kAlertDropsFoldedMinutes", "分钟内又掉线"),
    ("kAlertDropsFoldedTimes", "次）"),
    # The end of a text cut to a chat's length
    ("kAlertTextCut", "…"),
    # The recording's alerts: its failure with the reason after it, its return, and the note on folded
    # failures (after kAlertDropsFoldedOpen and the minutes, before the count and kAlertDropsFoldedTimes)
    ("kAlertRecordFailed", "录音失败："),
    ("kAlertRecordBack", "录音已恢复"),
    ("kAlertRecordFailsFoldedMinutes", "分钟内又失败"),
]

HEX = "0123456789abcdefABCDEF"


def literal(text, encoding="gbk"):
    out, after_escape = '"', False
    for byte in text.encode(encoding):
        ch = chr(byte)
        if byte >= 0x80:
            out += "\\x%02X" % byte
            after_escape = True
            continue
        # A hex digit right after \xNN would be read as part of the escape: start a new literal.
        if after_escape and ch in HEX:
            out += '" "'
        after_escape = False
        out += "\\" + ch if ch in '"\\' else ch
    return out + '"'


def main():
    lines = [
        "// Written by res/make_texts.py: edit the table there and run it again.",
        "// The program's Chinese texts, as code page 936 bytes (the texts sent to group chats: namespace",
        "// utf8, UTF-8 bytes).",
        "#pragma once",
        "",
    ]
    for name, text in TEXTS:
        if text is None:
            lines.append("")
            continue
        lines.append("// " + text)
        lines.append("inline constexpr char %s[] = %s;" % (name, literal(text)))
    lines += ["", "// Texts sent to a group chat, as UTF-8 bytes.", "namespace utf8 {"]
    for name, text in UTF8_TEXTS:
        lines.append("// " + text)
        lines.append("inline constexpr char %s[] = %s;" % (name, literal(text, "utf-8")))
    lines.append("}  // namespace utf8")
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "Texts.h")
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
