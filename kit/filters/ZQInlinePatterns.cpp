#include "kit/filters/ZQInlinePatterns.h"

const ZQInlinePatterns& ZQInlinePatterns::shared()
{
    static const ZQInlinePatterns patterns;
    return patterns;
}

const plat::CharacterSet& ZQInlinePatterns::blank()
{
    return plat::CharacterSet::whitespaceAndNewline();
}

ZQInlinePatterns::ZQInlinePatterns()
{
    const unsigned dotAll = plat::RegexDotMatchesLineSeparators;
    mailP = plat::Regex::create(
        QStringLiteral("^[a-zA-Z0-9.!#$%&'*+\\/=?^_`{|}~-]+@[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?"
                       "(?:\\.[a-zA-Z0-9](?:[a-zA-Z0-9-]{0,61}[a-zA-Z0-9])?)*>"),
        dotAll);
    entityP = plat::Regex::create(QStringLiteral("^&(#[0-9]{1,8}|#[xX][a-fA-F0-9]{1,8}|[a-zA-Z0-9]+);"));
    commentP = plat::Regex::create(QStringLiteral("^--((?:(?!--).)*)-->"), dotAll);
    cdataP = plat::Regex::create(QStringLiteral("\\[CDATA\\[.*?]]>"), dotAll);
    piP = plat::Regex::create(QStringLiteral("\\?.*?\\?>"), dotAll);

    // Entries holding ".", "-" or a blank can never match a scheme name (letters
    // and digits only); they are kept so that the list reads as published.
    static const char* const schemes[] = {
        "coap", "doi", "javascript", "aaa", "aaas", "about", "acap", "cap", "cid", "crid", "data", "dav", "dict",
        "dns", "file", "ftp", "geo", "go", "gopher", "h323", "http", "https", "iax", "icap", "im", "imap", "info",
        "ipp", "iris", "iris.beep", "iris.xpc", "iris.xpcs", "iris.lwz", "ldap", "mailto", "mid", "msrp", "msrps",
        "mtqp", "mupdate", "news", "nfs", "ni", "nih", "nntp", "opaquelocktoken", "pop", "pres", "rtsp", "service",
        "session", "shttp", "sieve", "sip", "sips", "sms", "snmp", "soap.beep", "soap.beeps", "tag", "tel",
        "telnet", "tftp", "thismessage", "tn3270", "tip", "tv", "urn", "vemmi", "ws", "wss", "xcon", "xcon-userid",
        "xmlrpc.beep", "xmlrpc.beeps", "xmpp", "z39.50r", "z39.50s", "adiumxtra", "afp", "afs", "aim", "apt",
        "attachment", "aw", "beshare", "bitcoin", "bolo", "callto", "chrome", "chrome-extension",
        "com-eventbrite-attendee", "content", "cvs", "dlna-playsingle", "dlna-playcontainer", "dtn", "dvb", "ed2k",
        "facetime", "feed", "finger", "fish", "gg", "git", "gizmoproject", "gtalk", "hcp", "icon", "ipn", "irc",
        "irc6", "ircs", "itms", "jar", "jms", "keyparc", "lastfm", "ldaps", "magnet", "maps", "market", " message",
        "mms", "ms-help", "msnim", "mumble", "mvn", "notes", "oid", "palm", "paparazzi", "platform", "proxy", "psyc",
        "query", "res", "resource", "rmi", "rsync", "rtmp", "secondlife", "sftp", "sgn", "skype", "smb", "soldat",
        "spotify", "ssh", "steam", "svn", "teamspeak", "things", "udp", "unreal", "ut2004", "ventrilo",
        "view-source", "webcal", "wtai", "wyciwyg", "xfire", "xri", "ymsgr"};
    for (const char* scheme : schemes)
        m_schemes.insert(QString::fromLatin1(scheme));
}

quint64 ZQInlinePatterns::delimiterRunType(QChar c, RunSide before, RunSide after)
{
    const bool left = after.present && !after.blank
        && (!after.punctuation || !before.present || before.blank || before.punctuation);
    const bool right = before.present && !before.blank
        && (!before.punctuation || !after.present || after.blank || after.punctuation);
    bool opens = left;
    bool closes = right;
    if (left && right && (c == u'_' || c == u'-' || c == u'+')) {
        opens = before.punctuation;
        closes = after.punctuation;
    }
    return opens && closes ? 1 : opens ? 2 : closes ? 3 : 0;
}
