#!/usr/bin/env python3
"""Writes the wizard's string tables en.rc, de.rc, zh.rc and vi.rc (ids 101-196) from the
texts below (UTF-8 here). English is plain ASCII, German code page 1252, Chinese code page
936 (GBK) and Vietnamese the VISCII bytes that the "Heo May 1.1" font draws; every byte
outside ASCII is written as an octal escape, so the .rc files are pure ASCII and do not
depend on the resource compiler's idea of the source encoding. The .rc files are committed;
run this only to change a text."""
import os
import functools
import subprocess
import sys

# id: (English, German, Chinese, Vietnamese)
TEXTS = {
    101: ("&About LexiReg...", "&Info \u00fcber LexiReg...", "\u5173\u4e8e LexiReg(&A)...",
          "&Gi\u1edbi thi\u1ec7u LexiReg..."),
    102: ("Lexipop Registration", "Lexipop-Registrierung", "Lexipop \u6ce8\u518c",
          "\u0110\u0103ng k\u00fd Lexipop"),
    103: ("Wizard", "Assistent", "\u5411\u5bfc", "Tr\u1ee3 gi\u00fap"),
    104: ("Title", "Anrede", "\u79f0\u547c", "Danh x\u01b0ng"),
    105: ("Company Name", "Firma", "\u516c\u53f8\u540d\u79f0", "T\u00ean c\u00f4ng ty"),
    106: ("First Name", "Vorname", "\u540d\u5b57", "T\u00ean"),
    107: ("Last Name", "Nachname", "\u59d3\u6c0f", "H\u1ecd"),
    108: ("Second Name", "Zweiter Vorname", "\u4e2d\u95f4\u540d", "T\u00ean \u0111\u1ec7m"),
    109: ("Second Last Name", "Zweiter Nachname", "\u7b2c\u4e8c\u59d3\u6c0f",
          "H\u1ecd th\u1ee9 hai"),
    110: ("Address Line 1", "Adresszeile 1", "\u5730\u5740\u7b2c\u4e00\u884c",
          "\u0110\u1ecba ch\u1ec9 d\u00f2ng 1"),
    111: ("Address Line 2", "Adresszeile 2", "\u5730\u5740\u7b2c\u4e8c\u884c",
          "\u0110\u1ecba ch\u1ec9 d\u00f2ng 2"),
    112: ("Address Line 3", "Adresszeile 3", "\u5730\u5740\u7b2c\u4e09\u884c",
          "\u0110\u1ecba ch\u1ec9 d\u00f2ng 3"),
    113: ("Postal Code", "Postleitzahl", "\u90ae\u653f\u7f16\u7801", "M\u00e3 b\u01b0u \u0111i\u1ec7n"),
    114: ("City", "Ort", "\u57ce\u5e02", "Th\u00e0nh ph\u1ed1"),
    115: ("State", "Bundesland", "\u5dde", "Bang"),
    116: ("Country", "Land", "\u56fd\u5bb6", "Qu\u1ed1c gia"),
    117: ("Province", "Provinz", "\u7701\u4efd", "T\u1ec9nh"),
    118: ("Country Code", "L\u00e4ndercode", "\u56fd\u5bb6\u4ee3\u7801", "M\u00e3 qu\u1ed1c gia"),
    119: ("Street", "Stra\u00dfe", "\u8857\u9053", "\u0110\u01b0\u1eddng"),
    120: ("District", "Bezirk", "\u533a", "Qu\u1eadn"),
    121: ("Area", "Gebiet", "\u5730\u533a", "Khu v\u1ef1c"),
    122: ("Prefecture", "Pr\u00e4fektur", "\u53bf", "Huy\u1ec7n"),
    123: ("Mr.|Mrs.|Miss|", "Herr|Frau|Fr\u00e4ulein|", "\u5148\u751f|\u592a\u592a|\u5c0f\u59d0|",
          "\u00d4ng|B\u00e0|C\u00f4|"),
    124: ("click here", "hier klicken", "\u8bf7\u70b9\u51fb\u8fd9\u91cc", "nh\u1ea5p v\u00e0o \u0111\u00e2y"),
    125: ("The data in [field name] is incomplete or invalid.",
          "Die Angabe in [field name] ist unvollst\u00e4ndig oder ung\u00fcltig.",
          "[field name] \u4e2d\u7684\u8d44\u6599\u4e0d\u5b8c\u6574\u6216\u65e0\u6548\u3002",
          "D\u1eef li\u1ec7u trong [field name] ch\u01b0a \u0111\u1ee7 ho\u1eb7c kh\u00f4ng h\u1ee3p l\u1ec7."),
    126: ("Verifying name...", "Name wird gepr\u00fcft...", "\u6b63\u5728\u9a8c\u8bc1\u540d\u79f0...",
          "\u0110ang ki\u1ec3m tra t\u00ean..."),
    127: ("Name verified.", "Name gepr\u00fcft.", "\u540d\u79f0\u5df2\u9a8c\u8bc1\u3002",
          "\u0110\u00e3 ki\u1ec3m tra t\u00ean."),
    128: ("Connecting to the server...", "Verbindung zum Server wird hergestellt...",
          "\u6b63\u5728\u8fde\u63a5\u670d\u52a1\u5668...", "\u0110ang k\u1ebft n\u1ed1i v\u1edbi m\u00e1y ch\u1ee7..."),
    129: ("Connected to the server.", "Mit dem Server verbunden.", "\u5df2\u8fde\u63a5\u670d\u52a1\u5668\u3002",
          "\u0110\u00e3 k\u1ebft n\u1ed1i v\u1edbi m\u00e1y ch\u1ee7."),
    130: ("Sending the request...", "Anfrage wird gesendet...", "\u6b63\u5728\u53d1\u9001\u8bf7\u6c42...",
          "\u0110ang g\u1eedi y\u00eau c\u1ea7u..."),
    131: ("Request sent.", "Anfrage gesendet.", "\u8bf7\u6c42\u5df2\u53d1\u9001\u3002",
          "\u0110\u00e3 g\u1eedi y\u00eau c\u1ea7u."),
    132: ("Reply received.", "Antwort erhalten.", "\u5df2\u6536\u5230\u56de\u590d\u3002",
          "\u0110\u00e3 nh\u1eadn tr\u1ea3 l\u1eddi."),
    133: ("Disconnecting from the server...", "Verbindung zum Server wird getrennt...",
          "\u6b63\u5728\u65ad\u5f00\u670d\u52a1\u5668\u8fde\u63a5...", "\u0110ang ng\u1eaft k\u1ebft n\u1ed1i..."),
    134: ("Disconnected from the server.", "Vom Server getrennt.", "\u5df2\u65ad\u5f00\u670d\u52a1\u5668\u8fde\u63a5\u3002",
          "\u0110\u00e3 ng\u1eaft k\u1ebft n\u1ed1i."),
    135: ("Request complete.", "Anfrage abgeschlossen.", "\u8bf7\u6c42\u5df2\u5b8c\u6210\u3002",
          "Y\u00eau c\u1ea7u \u0111\u00e3 xong."),
    136: ("Redirecting...", "Weiterleitung...", "\u6b63\u5728\u8f6c\u5411...", "\u0110ang chuy\u1ec3n h\u01b0\u1edbng..."),
    137: ("E-mail confirmation", "E-Mail-Best\u00e4tigung", "\u7535\u5b50\u90ae\u4ef6\u786e\u8ba4",
          "X\u00e1c nh\u1eadn email"),
    138: ("User authentication", "Benutzeranmeldung", "\u7528\u6237\u8eab\u4efd\u9a8c\u8bc1",
          "X\u00e1c th\u1ef1c ng\u01b0\u1eddi d\u00f9ng"),
    139: ("Password request", "Passwortanforderung", "\u7d22\u53d6\u5bc6\u7801", "Y\u00eau c\u1ea7u m\u1eadt kh\u1ea9u"),
    140: ("Registering the e-mail address", "E-Mail-Adresse wird registriert",
          "\u6b63\u5728\u6ce8\u518c\u7535\u5b50\u90ae\u4ef6\u5730\u5740", "\u0110ang \u0111\u0103ng k\u00fd email"),
    141: ("Submitting personal details", "Pers\u00f6nliche Angaben werden \u00fcbermittelt",
          "\u6b63\u5728\u63d0\u4ea4\u4e2a\u4eba\u8d44\u6599", "\u0110ang g\u1eedi th\u00f4ng tin c\u00e1 nh\u00e2n"),
    142: ("Sending the mobile number", "Handynummer wird gesendet", "\u6b63\u5728\u53d1\u9001\u624b\u673a\u53f7\u7801",
          "\u0110ang g\u1eedi s\u1ed1 di \u0111\u1ed9ng"),
    143: ("Confirming the mobile number", "Handynummer wird best\u00e4tigt",
          "\u6b63\u5728\u786e\u8ba4\u624b\u673a\u53f7\u7801", "\u0110ang x\u00e1c nh\u1eadn s\u1ed1 di \u0111\u1ed9ng"),
    144: ("Logging out", "Abmeldung", "\u6b63\u5728\u6ce8\u9500", "\u0110ang \u0111\u0103ng xu\u1ea5t"),
    145: ("-- choose country --", "-- Land w\u00e4hlen --", "-- \u9009\u62e9\u56fd\u5bb6 --",
          "-- ch\u1ecdn qu\u1ed1c gia --"),
    146: ("-- other countries --", "-- andere L\u00e4nder --", "-- \u5176\u4ed6\u56fd\u5bb6 --",
          "-- qu\u1ed1c gia kh\u00e1c --"),
    147: ("Please choose a country.", "Bitte w\u00e4hlen Sie ein Land.", "\u8bf7\u9009\u62e9\u4e00\u4e2a\u56fd\u5bb6\u3002",
          "Vui l\u00f2ng ch\u1ecdn qu\u1ed1c gia."),
    148: ("The request succeeded.", "Die Anfrage war erfolgreich.", "\u8bf7\u6c42\u6210\u529f\u3002",
          "Y\u00eau c\u1ea7u th\u00e0nh c\u00f4ng."),
    149: ("The request data is incomplete or invalid.", "Die Anfragedaten sind unvollst\u00e4ndig oder ung\u00fcltig.",
          "\u8bf7\u6c42\u8d44\u6599\u4e0d\u5b8c\u6574\u6216\u65e0\u6548\u3002",
          "D\u1eef li\u1ec7u y\u00eau c\u1ea7u ch\u01b0a \u0111\u1ee7 ho\u1eb7c kh\u00f4ng h\u1ee3p l\u1ec7."),
    150: ("The communication has expired. Please try again.", "Die Verbindung ist abgelaufen. Bitte versuchen Sie es erneut.",
          "\u901a\u8baf\u5df2\u8fc7\u671f\uff0c\u8bf7\u91cd\u8bd5\u3002", "Phi\u00ean giao ti\u1ebfp \u0111\u00e3 h\u1ebft h\u1ea1n. Vui l\u00f2ng th\u1eed l\u1ea1i."),
    151: ("The transaction id is invalid.", "Die Transaktionsnummer ist ung\u00fcltig.",
          "\u4ea4\u6613\u7f16\u53f7\u65e0\u6548\u3002", "M\u00e3 giao d\u1ecbch kh\u00f4ng h\u1ee3p l\u1ec7."),
    152: ("The server is under maintenance. Please try again later.",
          "Der Server wird gewartet. Bitte versuchen Sie es sp\u00e4ter erneut.",
          "\u670d\u52a1\u5668\u6b63\u5728\u7ef4\u62a4\uff0c\u8bf7\u7a0d\u540e\u518d\u8bd5\u3002",
          "M\u00e1y ch\u1ee7 \u0111ang b\u1ea3o tr\u00ec. Vui l\u00f2ng th\u1eed l\u1ea1i sau."),
    153: ("Database connection error.", "Fehler bei der Datenbankverbindung.", "\u6570\u636e\u5e93\u8fde\u63a5\u9519\u8bef\u3002",
          "L\u1ed7i k\u1ebft n\u1ed1i c\u01a1 s\u1edf d\u1eef li\u1ec7u."),
    154: ("Requesting the data failed.", "Die Datenabfrage ist fehlgeschlagen.", "\u8bf7\u6c42\u8d44\u6599\u5931\u8d25\u3002",
          "Y\u00eau c\u1ea7u d\u1eef li\u1ec7u th\u1ea5t b\u1ea1i."),
    155: ("The e-mail could not be sent.", "Die E-Mail konnte nicht gesendet werden.",
          "\u65e0\u6cd5\u53d1\u9001\u7535\u5b50\u90ae\u4ef6\u3002", "Kh\u00f4ng g\u1eedi \u0111\u01b0\u1ee3c email."),
    156: ("Password authentication error.", "Fehler bei der Passwortpr\u00fcfung.", "\u5bc6\u7801\u9a8c\u8bc1\u9519\u8bef\u3002",
          "L\u1ed7i x\u00e1c th\u1ef1c m\u1eadt kh\u1ea9u."),
    157: ("The account does not exist.", "Das Konto existiert nicht.", "\u5e10\u6237\u4e0d\u5b58\u5728\u3002",
          "T\u00e0i kho\u1ea3n kh\u00f4ng t\u1ed3n t\u1ea1i."),
    158: ("The password has been sent to your mailbox.", "Das Passwort wurde an Ihr Postfach gesendet.",
          "\u5bc6\u7801\u5df2\u53d1\u9001\u5230\u60a8\u7684\u90ae\u7bb1\u3002", "M\u1eadt kh\u1ea9u \u0111\u00e3 \u0111\u01b0\u1ee3c g\u1eedi v\u00e0o h\u1ed9p th\u01b0 c\u1ee7a b\u1ea1n."),
    159: ("The account is not activated yet.", "Das Konto ist noch nicht aktiviert.",
          "\u5e10\u6237\u5c1a\u672a\u6fc0\u6d3b\u3002", "T\u00e0i kho\u1ea3n ch\u01b0a \u0111\u01b0\u1ee3c k\u00edch ho\u1ea1t."),
    160: ("The account is locked.", "Das Konto ist gesperrt.", "\u5e10\u6237\u5df2\u88ab\u9501\u5b9a\u3002",
          "T\u00e0i kho\u1ea3n \u0111\u00e3 b\u1ecb kh\u00f3a."),
    161: ("The mobile number is already in use.", "Die Handynummer wird bereits verwendet.",
          "\u624b\u673a\u53f7\u7801\u5df2\u88ab\u4f7f\u7528\u3002", "S\u1ed1 di \u0111\u1ed9ng \u0111\u00e3 \u0111\u01b0\u1ee3c s\u1eed d\u1ee5ng."),
    162: ("There is no product update.", "Es gibt kein Produkt-Update.", "\u6ca1\u6709\u4ea7\u54c1\u66f4\u65b0\u3002",
          "Kh\u00f4ng c\u00f3 b\u1ea3n c\u1eadp nh\u1eadt."),
    163: ("Too many log-in requests. Please wait a moment.", "Zu viele Anmeldeversuche. Bitte warten Sie einen Moment.",
          "\u767b\u5f55\u8bf7\u6c42\u8fc7\u591a\uff0c\u8bf7\u7a0d\u5019\u3002",
          "Qu\u00e1 nhi\u1ec1u y\u00eau c\u1ea7u \u0111\u0103ng nh\u1eadp. Vui l\u00f2ng ch\u1edd."),
    164: ("The user is already in the contact list.", "Der Benutzer ist bereits in der Kontaktliste.",
          "\u7528\u6237\u5df2\u5728\u8054\u7cfb\u4eba\u5217\u8868\u4e2d\u3002", "Ng\u01b0\u1eddi d\u00f9ng \u0111\u00e3 c\u00f3 trong danh b\u1ea1."),
    165: ("The user is not in the contact list.", "Der Benutzer ist nicht in der Kontaktliste.",
          "\u7528\u6237\u4e0d\u5728\u8054\u7cfb\u4eba\u5217\u8868\u4e2d\u3002", "Ng\u01b0\u1eddi d\u00f9ng kh\u00f4ng c\u00f3 trong danh b\u1ea1."),
    166: ("The mobile number is invalid.", "Die Handynummer ist ung\u00fcltig.", "\u624b\u673a\u53f7\u7801\u65e0\u6548\u3002",
          "S\u1ed1 di \u0111\u1ed9ng kh\u00f4ng h\u1ee3p l\u1ec7."),
    167: ("The e-mail address is invalid.", "Die E-Mail-Adresse ist ung\u00fcltig.",
          "\u7535\u5b50\u90ae\u4ef6\u5730\u5740\u65e0\u6548\u3002", "\u0110\u1ecba ch\u1ec9 email kh\u00f4ng h\u1ee3p l\u1ec7."),
    168: ("The request is not yet processed.", "Die Anfrage ist noch nicht bearbeitet.",
          "\u8bf7\u6c42\u5c1a\u672a\u5904\u7406\u3002", "Y\u00eau c\u1ea7u ch\u01b0a \u0111\u01b0\u1ee3c x\u1eed l\u00fd."),
    169: ("The e-mail has been delivered.", "Die E-Mail wurde zugestellt.", "\u7535\u5b50\u90ae\u4ef6\u5df2\u9001\u8fbe\u3002",
          "Email \u0111\u00e3 \u0111\u01b0\u1ee3c g\u1eedi \u0111\u1ebfn."),
    170: ("The transaction id was not found.", "Die Transaktionsnummer wurde nicht gefunden.",
          "\u627e\u4e0d\u5230\u4ea4\u6613\u7f16\u53f7\u3002", "Kh\u00f4ng t\u00ecm th\u1ea5y m\u00e3 giao d\u1ecbch."),
    171: ("The mobile number is confirmed.", "Die Handynummer ist best\u00e4tigt.", "\u624b\u673a\u53f7\u7801\u5df2\u786e\u8ba4\u3002",
          "S\u1ed1 di \u0111\u1ed9ng \u0111\u00e3 \u0111\u01b0\u1ee3c x\u00e1c nh\u1eadn."),
    172: ("The mobile number is not yet confirmed.", "Die Handynummer ist noch nicht best\u00e4tigt.",
          "\u624b\u673a\u53f7\u7801\u5c1a\u672a\u786e\u8ba4\u3002", "S\u1ed1 di \u0111\u1ed9ng ch\u01b0a \u0111\u01b0\u1ee3c x\u00e1c nh\u1eadn."),
    173: ("Unknown request type.", "Unbekannte Anfrageart.", "\u672a\u77e5\u7684\u8bf7\u6c42\u7c7b\u578b\u3002",
          "Lo\u1ea1i y\u00eau c\u1ea7u kh\u00f4ng x\u00e1c \u0111\u1ecbnh."),
    174: ("This application is not supported.", "Diese Anwendung wird nicht unterst\u00fctzt.",
          "\u4e0d\u652f\u6301\u6b64\u5e94\u7528\u7a0b\u5e8f\u3002", "\u1ee8ng d\u1ee5ng n\u00e0y kh\u00f4ng \u0111\u01b0\u1ee3c h\u1ed7 tr\u1ee3."),
    175: ("Lexipop Mouse Activation Settings", "Lexipop-Mauseinstellungen", "Lexipop \u9f20\u6807\u542f\u52a8\u8bbe\u7f6e",
          "C\u00e0i \u0111\u1eb7t chu\u1ed9t Lexipop"),
    176: ("User Email Address", "E-Mail-Adresse des Benutzers", "\u7528\u6237\u7535\u5b50\u90ae\u4ef6\u5730\u5740",
          "\u0110\u1ecba ch\u1ec9 email"),
    177: ("User Email Verification", "Pr\u00fcfung der E-Mail-Adresse", "\u7528\u6237\u7535\u5b50\u90ae\u4ef6\u9a8c\u8bc1",
          "Ki\u1ec3m tra email"),
    178: ("PIN Verification", "PIN-Pr\u00fcfung", "PIN \u9a8c\u8bc1", "Ki\u1ec3m tra m\u00e3 PIN"),
    179: ("Password Verification", "Passwortpr\u00fcfung", "\u5bc6\u7801\u9a8c\u8bc1", "Ki\u1ec3m tra m\u1eadt kh\u1ea9u"),
    180: ("User Country", "Land des Benutzers", "\u7528\u6237\u56fd\u5bb6", "Qu\u1ed1c gia"),
    181: ("User Address Information", "Adressangaben des Benutzers", "\u7528\u6237\u5730\u5740\u8d44\u6599",
          "Th\u00f4ng tin \u0111\u1ecba ch\u1ec9"),
    182: ("Tavimo Registration", "Tavimo-Anmeldung", "Tavimo \u6ce8\u518c", "\u0110\u0103ng k\u00fd Tavimo"),
    183: ("Lexipop Promo", "Lexipop-Angebot", "Lexipop \u63a8\u5e7f", "Khuy\u1ebfn m\u00e3i Lexipop"),
    184: ("Lexipop Registration", "Lexipop-Registrierung", "Lexipop \u6ce8\u518c", "\u0110\u0103ng k\u00fd Lexipop"),
    185: ("Lexipop Installation Complete", "Lexipop-Installation abgeschlossen", "Lexipop \u5b89\u88c5\u5b8c\u6210",
          "C\u00e0i \u0111\u1eb7t Lexipop ho\u00e0n t\u1ea5t"),
    186: ("We cannot verify your e-mail address and password. Do you want to register a new account?",
          "Ihre E-Mail-Adresse und Ihr Passwort k\u00f6nnen nicht gepr\u00fcft werden. M\u00f6chten Sie ein neues Konto anlegen?",
          "\u65e0\u6cd5\u9a8c\u8bc1\u60a8\u7684\u7535\u5b50\u90ae\u4ef6\u5730\u5740\u548c\u5bc6\u7801\u3002\u662f\u5426\u6ce8\u518c\u65b0\u5e10\u6237\uff1f",
          "Kh\u00f4ng th\u1ec3 ki\u1ec3m tra email v\u00e0 m\u1eadt kh\u1ea9u c\u1ee7a b\u1ea1n. B\u1ea1n c\u00f3 mu\u1ed1n \u0111\u0103ng k\u00fd t\u00e0i kho\u1ea3n m\u1edbi kh\u00f4ng?"),
    187: ("Your Lexipop password has been sent. Please check your mailbox and use the password you received to register.",
          "Ihr Lexipop-Passwort wurde gesendet. Bitte sehen Sie in Ihrem Postfach nach und registrieren Sie sich mit dem erhaltenen Passwort.",
          "\u60a8\u7684 Lexipop \u5bc6\u7801\u5df2\u53d1\u51fa\u3002\u8bf7\u68c0\u67e5\u90ae\u7bb1\uff0c\u5e76\u7528\u6536\u5230\u7684\u5bc6\u7801\u6ce8\u518c\u3002",
          "M\u1eadt kh\u1ea9u Lexipop \u0111\u00e3 \u0111\u01b0\u1ee3c g\u1eedi. Vui l\u00f2ng xem h\u1ed9p th\u01b0 v\u00e0 d\u00f9ng m\u1eadt kh\u1ea9u nh\u1eadn \u0111\u01b0\u1ee3c \u0111\u1ec3 \u0111\u0103ng k\u00fd."),
    188: ("The mobile number is invalid. Please enter a correct number.",
          "Die Handynummer ist ung\u00fcltig. Bitte geben Sie eine richtige Nummer ein.",
          "\u624b\u673a\u53f7\u7801\u65e0\u6548\uff0c\u8bf7\u8f93\u5165\u6b63\u786e\u7684\u53f7\u7801\u3002",
          "S\u1ed1 di \u0111\u1ed9ng kh\u00f4ng h\u1ee3p l\u1ec7. Vui l\u00f2ng nh\u1eadp s\u1ed1 \u0111\u00fang."),
    189: ("Wrong password. Please enter it again.", "Falsches Passwort. Bitte geben Sie es erneut ein.",
          "\u5bc6\u7801\u9519\u8bef\uff0c\u8bf7\u91cd\u65b0\u8f93\u5165\u3002", "Sai m\u1eadt kh\u1ea9u. Vui l\u00f2ng nh\u1eadp l\u1ea1i."),
    190: ("The mobile number is still invalid. Click Next to stop the mobile-service set-up.",
          "Die Handynummer ist immer noch ung\u00fcltig. Klicken Sie auf Weiter, um die Einrichtung des Handydienstes zu beenden.",
          "\u624b\u673a\u53f7\u7801\u4ecd\u7136\u65e0\u6548\u3002\u8bf7\u5355\u51fb\u201c\u4e0b\u4e00\u6b65\u201d\u505c\u6b62\u8bbe\u7f6e\u624b\u673a\u670d\u52a1\u3002",
          "S\u1ed1 di \u0111\u1ed9ng v\u1eabn kh\u00f4ng h\u1ee3p l\u1ec7. Nh\u1ea5p Ti\u1ebfp \u0111\u1ec3 d\u1eebng c\u00e0i \u0111\u1eb7t d\u1ecbch v\u1ee5 di \u0111\u1ed9ng."),
    191: ("The PIN is wrong. Please enter it again.", "Die PIN ist falsch. Bitte geben Sie sie erneut ein.",
          "PIN \u9519\u8bef\uff0c\u8bf7\u91cd\u65b0\u8f93\u5165\u3002", "M\u00e3 PIN sai. Vui l\u00f2ng nh\u1eadp l\u1ea1i."),
    192: ("The Internet is not connected. Please connect and continue the registration.",
          "Es besteht keine Internetverbindung. Bitte stellen Sie die Verbindung her und setzen Sie die Registrierung fort.",
          "\u672a\u8fde\u63a5\u5230\u4e92\u8054\u7f51\u3002\u8bf7\u8fde\u63a5\u540e\u7ee7\u7eed\u6ce8\u518c\u3002",
          "Ch\u01b0a k\u1ebft n\u1ed1i Internet. Vui l\u00f2ng k\u1ebft n\u1ed1i v\u00e0 ti\u1ebfp t\u1ee5c \u0111\u0103ng k\u00fd."),
    193: ("The Lexipop server cannot be reached. Please try again later.",
          "Der Lexipop-Server ist nicht erreichbar. Bitte versuchen Sie es sp\u00e4ter erneut.",
          "\u65e0\u6cd5\u8fde\u63a5 Lexipop \u670d\u52a1\u5668\uff0c\u8bf7\u7a0d\u540e\u518d\u8bd5\u3002",
          "Kh\u00f4ng k\u1ebft n\u1ed1i \u0111\u01b0\u1ee3c m\u00e1y ch\u1ee7 Lexipop. Vui l\u00f2ng th\u1eed l\u1ea1i sau."),
    194: ("Your personal details have been saved.", "Ihre pers\u00f6nlichen Angaben wurden gespeichert.",
          "\u60a8\u7684\u4e2a\u4eba\u8d44\u6599\u5df2\u4fdd\u5b58\u3002", "Th\u00f4ng tin c\u00e1 nh\u00e2n c\u1ee7a b\u1ea1n \u0111\u00e3 \u0111\u01b0\u1ee3c l\u01b0u."),
    195: ("Do you really want to stop the registration?", "M\u00f6chten Sie die Registrierung wirklich abbrechen?",
          "\u60a8\u786e\u5b9e\u8981\u505c\u6b62\u6ce8\u518c\u5417\uff1f", "B\u1ea1n c\u00f3 th\u1eadt s\u1ef1 mu\u1ed1n d\u1eebng \u0111\u0103ng k\u00fd kh\u00f4ng?"),
    196: ("Please enter a valid e-mail address.", "Bitte geben Sie eine g\u00fcltige E-Mail-Adresse ein.",
          "\u8bf7\u8f93\u5165\u6709\u6548\u7684\u7535\u5b50\u90ae\u4ef6\u5730\u5740\u3002",
          "Vui l\u00f2ng nh\u1eadp \u0111\u1ecba ch\u1ec9 email h\u1ee3p l\u1ec7."),
}

# The Vietnamese labels of the page templates (strings/vi_pages.rc, included by the page files
# for LX_LANG_VI), in the same VISCII bytes.
PAGE_TEXTS_VI = {
    "LX_MOUSE_HEAD": "Ch\u1ecdn thao t\u00e1c chu\u1ed9t \u0111\u1ec3 m\u1edf c\u1eeda s\u1ed5 Lexipop tr\u00ean m\u1ed9t t\u1eeb.",
    "LX_MOUSE_CHOICE1": "Nh\u1ea5p n\u00fat ph\u1ea3i",
    "LX_MOUSE_CHOICE2": "Nh\u1ea5p n\u00fat gi\u1eefa",
    "LX_MOUSE_CHOICE3": "Shift + nh\u1ea5p n\u00fat ph\u1ea3i",
    "LX_MOUSE_CHOICE4": "Gi\u1eef n\u00fat ph\u1ea3i",
    "LX_MOUSE_FOOT": "Nh\u1ea5n Ti\u1ebfp \u0111\u1ec3 xem thao t\u00e1c \u0111\u00e3 ch\u1ecdn; nh\u1ea5n l\u1ea7n n\u1eefa \u0111\u1ec3 ti\u1ebfp t\u1ee5c.",
    "LX_EMAIL_HEAD": "\u0110\u1ecba ch\u1ec9 e-mail l\u00e0 t\u00ean t\u00e0i kho\u1ea3n Lexipop v\u00e0 t\u00ean ng\u01b0\u1eddi d\u00f9ng tr\u00ean m\u00e1y n\u00e0y.",
    "LX_EMAIL_PROMPT": "\u0110\u1ecba ch\u1ec9 e-mail:",
    "LX_EMAIL_NOTE": "Nh\u1ea5n H\u1ee7y \u0111\u1ec3 ti\u1ebfp t\u1ee5c kh\u00f4ng c\u1ea7n t\u00e0i kho\u1ea3n.",
    "LX_EMAILVER_TEXT": "\u0110\u1ecba ch\u1ec9 e-mail c\u1ee7a b\u1ea1n \u0111ang \u0111\u01b0\u1ee3c ki\u1ec3m tra v\u1edbi d\u1ecbch v\u1ee5 t\u00e0i kho\u1ea3n Lexipop. Xin vui l\u00f2ng ch\u1edd.",
    "LX_PIN_TEXT": "M\u00e3 PIN \u0111\u00e3 \u0111\u01b0\u1ee3c g\u1eedi t\u1edbi \u0111\u1ecba ch\u1ec9 e-mail c\u1ee7a b\u1ea1n. H\u00e3y nh\u1eadp m\u00e3 \u0111\u00f3 b\u00ean d\u01b0\u1edbi \u0111\u1ec3 x\u00e1c nh\u1eadn.",
    "LX_PIN_OPENACCOUNT": "Hi\u1ec7n trang t\u00e0i kho\u1ea3n Lexipop khi c\u00e0i \u0111\u1eb7t xong",
    "LX_PASSWORD_TEXT": "\u0110\u1ecba ch\u1ec9 e-mail n\u00e0y \u0111\u00e3 c\u00f3 t\u00e0i kho\u1ea3n Lexipop. H\u00e3y nh\u1eadp m\u1eadt kh\u1ea9u.",
    "LX_PASSWORD_FORGOT": "Qu\u00ean?",
    "LX_PASSWORD_LINK": "B\u1ea5m v\u00e0o \u0111\u00e2y",
    "LX_PASSWORD_LINKTAIL": "\u0111\u1ec3 g\u1eedi l\u1ea1i m\u1eadt kh\u1ea9u.",
    "LX_COUNTRY_EMAIL": "\u0110\u1ecba ch\u1ec9 e-mail:",
    "LX_COUNTRY_COUNTRY": "Qu\u1ed1c gia:",
    "LX_COUNTRY_PRIVATE": "C\u00e1 nh\u00e2n",
    "LX_COUNTRY_COMPANY": "C\u00f4ng ty",
    "LX_COUNTRY_SEVERAL": "Nhi\u1ec1u ng\u01b0\u1eddi d\u00f9ng m\u00e1y t\u00ednh n\u00e0y",
    "LX_ADDRESS_TEXT": "H\u00e3y \u0111i\u1ec1n \u0111\u1ecba ch\u1ec9 c\u1ee7a b\u1ea1n.",
    "LX_MOBILE_TEXT": "H\u1ecdc t\u1eeb tr\u00ean \u0111i\u1ec7n tho\u1ea1i v\u1edbi Tavimo: h\u00e3y nh\u1eadp s\u1ed1 \u0111i\u1ec7n tho\u1ea1i, ho\u1eb7c \u0111\u1ec3 tr\u1ed1ng \u0111\u1ec3 b\u1ecf qua.",
    "LX_MOBILE_NUMBER": "S\u1ed1 \u0111i\u1ec7n tho\u1ea1i:",
    "LX_PROMO_HEAD": "Lexipop tr\u00ean \u0111i\u1ec7n tho\u1ea1i di \u0111\u1ed9ng",
    "LX_PROMO_TEXT": "Tra t\u1eeb m\u1ecdi l\u00fac m\u1ecdi n\u01a1i: \u0111\u0103ng k\u00fd d\u1ecbch v\u1ee5 Tavimo t\u1eeb menu Lexipop b\u1ea5t c\u1ee9 l\u00fac n\u00e0o.",
    "LX_COMPLETE_HEAD": "Lexipop \u0111\u00e3 s\u1eb5n s\u00e0ng.",
    "LX_COMPLETE_TEXT": "Tr\u1ecf v\u00e0o m\u1ed9t t\u1eeb trong c\u1eeda s\u1ed5 b\u1ea5t k\u1ef3 v\u00e0 d\u00f9ng thao t\u00e1c chu\u1ed9t \u0111\u00e3 ch\u1ecdn: Lexipop hi\u1ec7n ngh\u0129a c\u1ee7a t\u1eeb. Nh\u1ea5n Ho\u00e0n t\u1ea5t \u0111\u1ec3 kh\u1edfi \u0111\u1ed9ng Lexipop.",
}

LANGUAGES = (("en", "ascii"), ("de", "cp1252"), ("zh", "gbk"), ("vi", "VISCII"))


@functools.lru_cache(maxsize=None)
def encode(text, encoding):
    if encoding == "VISCII":  # Python has no VISCII codec; glibc's iconv has
        return subprocess.run(["iconv", "-f", "UTF-8", "-t", "VISCII"], input=text.encode(),
                              stdout=subprocess.PIPE, check=True).stdout
    return text.encode(encoding)


def rc_literal(text, encoding):
    """Every byte of a non-ASCII character as an octal escape: a GBK trail byte may be an
    ASCII letter or a backslash, which must not be read on its own."""
    out = []
    for ch in text:
        data = encode(ch, encoding)
        if ch == '"':
            out.append('""')
        elif ch == "\\":
            out.append("\\134")
        elif ord(ch) < 0x80:
            out.append(ch)
        else:
            if any(b < 0x20 for b in data):  # VISCII keeps six capitals among control codes
                raise ValueError("control byte in %r" % ch)
            out.append("".join("\\%03o" % b for b in data))
    return '"' + "".join(out) + '"'


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    assert sorted(TEXTS) == list(range(101, 197)), "ids 101-196, each once"
    for column, (lang, encoding) in enumerate(LANGUAGES):
        lines = ["// Texts 101-196 of the wizard (%s), written by make_strings.py." % lang,
                 "STRINGTABLE", "BEGIN"]
        for sid in sorted(TEXTS):
            lines.append("    %d %s" % (sid, rc_literal(TEXTS[sid][column], encoding)))
        lines.append("END")
        with open(os.path.join(here, lang + ".rc"), "w", newline="\n") as f:
            f.write("\n".join(lines) + "\n")
    lines = ["// Vietnamese labels of the page templates, written by make_strings.py."]
    for name, text in PAGE_TEXTS_VI.items():
        lines.append("#define %s %s" % (name, rc_literal(text, "VISCII")))
    with open(os.path.join(here, "vi_pages.rc"), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
