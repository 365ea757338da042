#include <iterator>

#include "library/functions.h"

namespace qv {

namespace {

// Every declaration, in registration order, exactly as scripts see it: the
// quirks of the text ("funtion", the ";)" of analyzecontent, Fitter, Mulit)
// are part of the interface.
const char16_t* const kDeclarations[] = {
    u"function split(Source:string;SplitStr:string='||'):ArrayString",
    u"function explode(SplitStr:string='||';Source:string):ArrayString",
    u"function implode(SplitStr:string='||';Source:ArrayString):String",
    u"function join(SplitStr:string='||';Source:ArrayString):ArrayString",
    u"function replace(Source,OldStr,ToStr:string;icase:boolean=true;iglobal:boolean=true):string",
    u"function posex(substr,source:string;index:integer=1):integer",
    u"function instr(substr,source:string;index:integer=1):integer",
    u"function urlencode(Url:string;Utf8:boolean=false):string",
    u"function urldecode(Url:string;Utf8:boolean=false):string",
    u"function base64encode(Source:string):string",
    u"function base64decode(Source:string):string",
    u"function Encrypt(Source:string;mKey: string=''):string",
    u"function Decrypt(Source:string;mKey: string=''):string",
    u"function escape(Source:string):string",
    u"function unescape(Source:string):string",
    u"function gzdecode(Source:string):String",
    u"function gzencode(Source:string):String",
    u"function gzsavefile(FilePath:string;FileBody:string):String",
    u"function gzreadfile(FilePath:string):String",
    u"function gzbase64encode(Source:string):String",
    u"function gzbase64decode(Source:string):String",
    u"function base64encodefile(filepath:string):String",
    u"function base64decodefile(filepath:string;enstr:string):String",
    u"function eval(source:string);",
    u"function sqlquot(Sql:string);",
    u"function bytelength(S:string):Integer",
    u"function getdomain(url:string;son:boolean=false):string;",
    u"function high(Source:ArrayString):integer",
    u"function low(Source:ArrayString):integer",
    u"function rand(loworhigh:integer;high:integer=-1):integer",
    u"function free(O:variant);",
    u"function md5(Source:string;Len:integer=32):string",
    u"function md5file(FilePath:string;Len:integer=32):string",
    u"function funexists(Func:string):boolean",
    u"function funcall(Func:string;var P1:Variant='';var P2:Variant='';var P3:Variant='';var "
    u"P4:Variant='';var P5:Variant=''):Variant",
    u"function call(Func:string;var P1:Variant='';var P2:Variant='';var P3:Variant='';var P4:Variant='';var "
    u"P5:Variant=''):Variant",
    u"function createobject(ID:string):Variant",
    u"function utf8decode(Source:variant):String",
    u"function utf8encode(Source:variant):String",
    u"function isset(_var:variant):boolean",
    u"function isnull(v:variant):boolean;",
    u"function isURL(URL:string):boolean;",
    u"funtion ansistring(Source:String):ansistring",
    u"function getmidstr(Source:variant;StartStr, OverStr:string;CanSkipOver:boolean=false):String",
    u"function "
    u"cutstr(Source:variant;StartStrOrStrLen:variant;OverStrOrExtStr:string='';CanSkipOver:boolean=false):"
    u"String",
    u"function match(const "
    u"aSource,aPattern:String;contact:string='||';maskhide:string='[*]';maskmatch:string='(*)';returnallstr:"
    u"boolean=false):string;",
    u"procedure matchcontent(Source,Patterns:variant);",
    u"function replacecontent(content,pattern,target:variant):string;",
    u"function gb2big(str:string=''):String",
    u"function big2gb(str:string=''):String",
    u"function full2half(str:string=''):String",
    u"function abspath(Url,Path:Variant):String",
    u"function readini(FilePath:string;Section:string;KeyName:string;Default:string=''):String",
    u"function saveini(FilePath:string;Section:string;KeyName:string;Value:string=''):String",
    u"function gettickcount:integer",
    u"function getguid:String",
    u"function getdirs(SourcePath: String):string;",
    u"function getfiles(SourcePath: String;ext:string='*'):variant",
    u"function selfile(const StartDir,Fitter:string;Mulit:boolean=false;CheckFileExists:boolean=true):string",
    u"function seldir(const StartDir:string):string",
    u"function getfilesize(const FilePath:string):integer",
    u"function replacefilenamechars(const FileName:string):String",
    u"function isdir(DirPath:String;CreateDir:boolean=false):boolean;",
    u"function isfile(FilePath: String):boolean;",
    u"function fileexists(FilePath: String):boolean;",
    u"function deletefile(FilePath: String):boolean;",
    u"function renamefile(OldFile: String;NewFile:string):boolean;",
    u"function getfiletime(FilePath:string;TimeType:integer=2;timezone:integer=-8):integer",
    u"function getfiledir(FilePath: String):string",
    u"function getfilePath(FilePath: String):string",
    u"function getfileext(FilePath: String):string",
    u"function getfilename(FilePath: String):string",
    u"function expandfilename(FilePath: String):string",
    u"function getcookie(Url:string):string;",
    u"function TIMESTAMP(timezone:integer=-8):integer;",
    u"function savefile(SaveFile:string;Body:string;append:boolean=false):Boolean",
    u"function readfile(FilePath:string):String",
    u"function save(SaveFile,Body:string;Append:Boolean=false):boolean;",
    u"function savefile2(SaveFile:string;Body:string;append:boolean=false):Boolean",
    u"function analyzetitle(html:variant):string;",
    u"function analyzecontent(content:String='';absurl:string='';indexpre:integer=-1;):string;",
    u"function run(FilePath:string;waitover:boolean=false;hiderun:boolean=true):boolean;",
    u"procedure intsort(var arr:array of integer);",
    u"function  inarray(avar:variant;arr:array of const):integer;",
    u"function  arrayadd(var arr:ArrayString;src:variant):integer;",
    u"procedure arraydel(var arr:ArrayString;index:integer);",
    u"procedure arraydelbyindex(var arr:ArrayString;IntArr:ArrayInteger);",
    u"procedure arraygetdulpicate(var arr:ArrayString;ignorecase:boolean=true);",
    u"function arraysortbyreg(var arr:ArrayString;reg:string):Array of Integer",
    u"procedure arraysortbyindex(var arr:ArrayString;Indexs:array of integer)",
    u"function isnumeric(source: string) : boolean;",
    u"function num2char(num:integer):string;",
    u"function char2num(source:string):integer;",
    u"function url2creg(url:string):string;",
    u"function url2reg(url:string):String;",
    u"function creg2reg(url:string):string;",
    u"function reg2creg(url:string):string;",
    u"procedure GetAppVar(name:string;def:variant=''):variant;",
    u"procedure SetAppVar(name:string;val:variant):variant;",
    u"function getimagetype(S:string):String;",
    // Beyond the specified library: selectors, XPath and the article extractor.
    u"function htmlselect(Source:string;Selector:string;What:string='text';BaseUrl:string=''):ArrayString;",
    u"function htmlselectfirst(Source:string;Selector:string;What:string='text';BaseUrl:string=''):string;",
    u"function xpath(Source:string;Expr:string;BaseUrl:string=''):ArrayString;",
    u"function extractarticle(Source:string;Url:string='';What:string='text'):string;",
    // JSON and CSV.
    u"function jsonpath(Json:string;Query:string;AsJson:boolean=false):ArrayString;",
    u"function jsonget(Json:string;Query:string;Default:string=''):string;",
    u"function jsonset(Json:string;Pointer:string;Value:variant;AsJson:boolean=false):string;",
    u"function jsonquote(Text:string):string;",
    u"function csvline(Values:ArrayString;Separator:string=','):string;",
    u"function csvsplit(Record:string;Separator:string=','):ArrayString;",
    u"function csvrecords(Text:string):ArrayString;",
};

}  // namespace

TFunctions::TFunctions(TfsScript& script) : TfsRTTIModule(script) {
  script.AddConst(u"SplitStr", u"String", Value::Text(u"||"));
  script.AddConst(u"UseRegStr", u"String", Value::Text(u"(reg)"));
  script.AddConst(u"MAXINT", u"Integer", Value::Int(2147483647));

  script.AddType(u"ArrayString", fvtArray);
  script.AddType(u"ArrayInteger", fvtArray);

  for (const char16_t* declaration : kDeclarations) script.AddMethod(declaration, &TFunctions::CallMethod);
}

}  // namespace qv
