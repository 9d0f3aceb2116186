const tafsir = [{"sura":1,"ayaNumber":1,"korkutsTranslation":"U ime Allaha","aya":"x","tafsir":"y"}];
const suraList = [{"index":1,"numberOfAyas":7,"name":{"arabic":"x","bosnianTranscription":"El-Fatiha"},"type":"Meccan"}];
module.exports = { tafsir, suraList };